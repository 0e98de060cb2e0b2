// Helpers shared by the auth and bridge tests: the plain values of a provisioning file, the
// independent reference computations, and captures of the diagnostic lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "auth/EnvironmentCheck.h"
#include "auth/ProvisionedSecrets.h"
#include "json/JsonReader.h"
#include "crypto/Hex.h"
#include "platform/DebugOutput.h"
#include "tests/support/CapturedDebugLines.h"

namespace vantreel::test {

using ::vantreel::TCapturedLines;

struct TPlainProvisioning {
  std::string seed, keyPart1, keyPart2;
};

inline TPlainProvisioning ReadPlainProvisioning(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  TJsonDocument doc;
  if (!doc.Parse(text)) ADD_FAILURE() << "cannot parse " << path;
  const TJsonValue root = doc.Root();
  return {root.Member("seed").Text(), root.Member("keyPart1").Text(), root.Member("keyPart2").Text()};
}

inline TPlainProvisioning BuildProvisioning() { return ReadPlainProvisioning(VANTREEL_TEST_PROVISIONING); }

// A text argument of auth_reference.py.
inline std::string ReferenceArg(const std::string& text) {
  std::string arg = "x";  // not "x" + ...: GCC 12 warns falsely (-Wrestrict) on that form
  return arg.append(BytesToHexLower(AsBytes(text)));
}

// The text as a reply writes it when it holds no character to escape but "/".
inline std::string EscapeSolidus(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '/') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

#if VANTREEL_TEST_HAS_REFERENCE
// Runs auth_reference.py; one output line per element.
inline std::vector<std::string> RunReference(const std::vector<std::string>& args) {
  std::string command = std::string(VANTREEL_TEST_PYTHON) + " " + VANTREEL_TEST_AUTH_REFERENCE;
  for (const auto& a : args) command += " " + a;
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return lines;
  }
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}
#endif

// Forces the environment check while it lives.
class TForcedEnvironment {
 public:
  explicit TForcedEnvironment(bool acceptable) { SetEnvironmentCheckResultForTesting(acceptable); }
  ~TForcedEnvironment() { SetEnvironmentCheckResultForTesting(std::nullopt); }
};

// Substitutes stored secrets while it lives.
class TSubstitutedSecrets {
 public:
  explicit TSubstitutedSecrets(const TProvisionedSecrets& secrets) { SetProvisionedSecretsForTesting(&secrets); }
  ~TSubstitutedSecrets() { SetProvisionedSecretsForTesting(nullptr); }
};

}  // namespace vantreel::test
