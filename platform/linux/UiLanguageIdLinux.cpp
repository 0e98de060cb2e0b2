// Linux has no language identifiers: the user's locale (LC_ALL, LC_MESSAGES, LANG) and the
// system locale (/etc/default/locale, /etc/locale.conf) are turned into the identifier that
// the same locale has on Windows, so that the language choice is made exactly as there.
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/AsciiText.h"
#include "platform/UiLanguageId.h"
#include "platform/linux/LocaleLangId.h"

namespace vantreel {
namespace {

struct TRegionId {
  const char* region;
  std::uint16_t sub;
};

struct TLanguageId {
  const char* language;
  std::uint16_t primary;
  TRegionId regions[21];  // the first is the default sublanguage; ends at a null region
};

// Primary and sublanguage identifiers as Windows defines them (winnt.h).
const TLanguageId kLanguages[] = {
    {"ar", 0x01, {{"SA", 0x01}, {"IQ", 0x02}, {"EG", 0x03}, {"LY", 0x04}, {"DZ", 0x05}, {"MA", 0x06},
                  {"TN", 0x07}, {"OM", 0x08}, {"YE", 0x09}, {"SY", 0x0A}, {"JO", 0x0B}, {"LB", 0x0C},
                  {"KW", 0x0D}, {"AE", 0x0E}, {"BH", 0x0F}, {"QA", 0x10}}},
    {"zh", 0x04, {{"TW", 0x01}, {"CN", 0x02}, {"HK", 0x03}, {"SG", 0x04}, {"MO", 0x05}}},
    {"de", 0x07, {{"DE", 0x01}, {"CH", 0x02}, {"AT", 0x03}, {"LU", 0x04}, {"LI", 0x05}}},
    {"en", 0x09, {{"US", 0x01}, {"GB", 0x02}, {"AU", 0x03}, {"CA", 0x04}, {"NZ", 0x05}, {"IE", 0x06},
                  {"ZA", 0x07}, {"JM", 0x08}, {"BZ", 0x0A}, {"TT", 0x0B}, {"ZW", 0x0C}, {"PH", 0x0D},
                  {"IN", 0x10}, {"MY", 0x11}, {"SG", 0x12}}},
    {"es", 0x0A, {{"ES", 0x03}, {"MX", 0x02}, {"GT", 0x04}, {"CR", 0x05}, {"PA", 0x06}, {"DO", 0x07},
                  {"VE", 0x08}, {"CO", 0x09}, {"PE", 0x0A}, {"AR", 0x0B}, {"EC", 0x0C}, {"CL", 0x0D},
                  {"UY", 0x0E}, {"PY", 0x0F}, {"BO", 0x10}, {"SV", 0x11}, {"HN", 0x12}, {"NI", 0x13},
                  {"PR", 0x14}, {"US", 0x15}}},
    {"fr", 0x0C, {{"FR", 0x01}, {"BE", 0x02}, {"CA", 0x03}, {"CH", 0x04}, {"LU", 0x05}, {"MC", 0x06}}},
    {"ja", 0x11, {{"JP", 0x01}}},
    {"ko", 0x12, {{"KR", 0x01}}},
    {"pt", 0x16, {{"BR", 0x01}, {"PT", 0x02}}},
    {"ru", 0x19, {{"RU", 0x01}, {"MD", 0x02}}},
    // Languages outside the client's table keep their own identifiers.
    {"bg", 0x02, {{"BG", 0x01}}}, {"ca", 0x03, {{"ES", 0x01}}}, {"cs", 0x05, {{"CZ", 0x01}}},
    {"da", 0x06, {{"DK", 0x01}}}, {"el", 0x08, {{"GR", 0x01}}}, {"fi", 0x0B, {{"FI", 0x01}}},
    {"he", 0x0D, {{"IL", 0x01}}}, {"hu", 0x0E, {{"HU", 0x01}}}, {"is", 0x0F, {{"IS", 0x01}}},
    {"it", 0x10, {{"IT", 0x01}, {"CH", 0x02}}}, {"nl", 0x13, {{"NL", 0x01}, {"BE", 0x02}}},
    {"nb", 0x14, {{"NO", 0x01}}}, {"pl", 0x15, {{"PL", 0x01}}}, {"ro", 0x18, {{"RO", 0x01}}},
    {"hr", 0x1A, {{"HR", 0x01}}}, {"sk", 0x1B, {{"SK", 0x01}}}, {"sv", 0x1D, {{"SE", 0x01}, {"FI", 0x02}}},
    {"th", 0x1E, {{"TH", 0x01}}}, {"tr", 0x1F, {{"TR", 0x01}}}, {"id", 0x21, {{"ID", 0x01}}},
    {"uk", 0x22, {{"UA", 0x01}}}, {"vi", 0x2A, {{"VN", 0x01}}}, {"hi", 0x39, {{"IN", 0x01}}},
};

// LANG_INVARIANT: a language that Windows would know but this table does not; never 0, so
// that an unknown user language is not mistaken for none.
constexpr std::uint16_t kUnlistedLanguage = 0x007F;

std::string_view UserLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

std::string SystemLocale() {
  std::string best[3];  // LC_ALL, LC_MESSAGES, LANG
  for (const char* file : {"/etc/default/locale", "/etc/locale.conf"}) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
      std::size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq);
      std::string value = line.substr(eq + 1);
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      int slot = key == "LC_ALL" ? 0 : key == "LC_MESSAGES" ? 1 : key == "LANG" ? 2 : -1;
      if (slot >= 0 && best[slot].empty()) best[slot] = value;
    }
  }
  for (const std::string& value : best) {
    if (LangIdFromLocaleName(value) != 0) return value;
  }
  return {};
}

}  // namespace

std::uint16_t LangIdFromLocaleName(std::string_view locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || locale == "C" || locale == "POSIX") return 0;
  std::size_t sep = locale.find_first_of("_-");
  std::string language(locale.substr(0, sep));
  LowerAsciiInPlace(language);
  std::string region(sep == std::string_view::npos ? std::string_view() : locale.substr(sep + 1));
  for (char& c : region) c = AsciiUpper(c);
  if (language == "no" || language == "nn") language = "nb";
  for (const TLanguageId& entry : kLanguages) {
    if (language != entry.language) continue;
    if (region.empty()) return entry.primary;  // neutral: sublanguage 0
    std::uint16_t sub = entry.regions[0].sub;
    bool known = false;
    for (const TRegionId* r = entry.regions; r->region != nullptr; ++r) {
      if (region == r->region) {
        sub = r->sub;
        known = true;
        break;
      }
    }
    // A Chinese locale of an unknown region has no sublanguage that the table maps.
    if (!known && entry.primary == 0x04) return entry.primary;
    return static_cast<std::uint16_t>((sub << 10) | entry.primary);
  }
  return kUnlistedLanguage;
}

std::uint16_t GetUserDefaultUILanguage() { return LangIdFromLocaleName(UserLocale()); }

std::uint16_t GetSystemDefaultUILanguage() { return LangIdFromLocaleName(SystemLocale()); }

}  // namespace vantreel
