#include "app/UiStrings.h"
#include "base/AsciiText.h"

#include <array>

namespace vantreel {
namespace {
constexpr std::array<std::string_view, 10> kKeys = {
    "app.title",
    "tray.restore_hint",
    "loading.webview",
    "loading.wait",
    "err.cache_dir_create",
    "err.loader_init",
    "err.loader_timeout",
    "err.create_browser",
    "err.webview_init",
    "err.navigate_entry",
};

struct TLanguageTexts {
  std::string_view code;
  std::array<std::string_view, 10> texts;
};

// English first (the default), then the order in which languages are tested.
const TLanguageTexts kLanguages[] = {
    {"en",
     {
         "Orvane Anti-Addiction System",
         "Double-click here to restore the main window",
         "Loading ...",
         "Please wait...",
         "Failed to create WebView2 cache folder: ",
         "WebView2 Loader initialization failed: ",
         "WebView2 Loader initialization timeout (5 seconds).",
         "WebView creation failed: CreateBrowser returned False. Please check WebView2 Runtime/permissions/environment.",
         "WebView2 initialization failed: ",
         "Failed to navigate to entry page: ",
     }},
    {"zh-CN",
     {
         "Orvane防沉迷系统",
         "双击此处可恢复窗口显示",
         "正在加载 ...",
         "请稍候...",
         "创建 WebView2 缓存目录失败：",
         "WebView2 Loader 初始化失败：",
         "WebView2 Loader 初始化超时（5秒）。",
         "WebView 创建失败：CreateBrowser 返回 False。请检查 WebView2 Runtime/权限/环境初始化。",
         "WebView2 初始化失败：",
         "导航到入口页面失败：",
     }},
    {"zh-TW",
     {
         "Orvane防沉迷系統",
         "雙擊此處可恢復視窗顯示",
         "正在載入 ...",
         "請稍候...",
         "建立 WebView2 快取目錄失敗：",
         "WebView2 Loader 初始化失敗：",
         "WebView2 Loader 初始化逾時（5秒）。",
         "WebView 建立失敗：CreateBrowser 回傳 False。請檢查 WebView2 Runtime/權限/環境初始化。",
         "WebView2 初始化失敗：",
         "導向入口頁面失敗：",
     }},
    {"ja",
     {
         "Orvane利用制限システム",
         "ここをダブルクリックしてメイン画面を復元",
         " を読み込み中...",
         "しばらくお待ちください...",
         "WebView2 キャッシュフォルダの作成に失敗しました: ",
         "WebView2 Loader の初期化に失敗しました: ",
         "WebView2 Loader の初期化がタイムアウトしました（5秒）。",
         "WebView の作成に失敗しました：CreateBrowser が False を返しました。WebView2 Runtime/権限/環境を確認してください。",
         "WebView2 の初期化に失敗しました: ",
         "エントリページへの遷移に失敗しました: ",
     }},
    {"ru",
     {
         "Система защиты от зависимости Orvane",
         "Дважды щелкните здесь, чтобы восстановить окно",
         "Загрузка WebView2...",
         "Пожалуйста, подождите...",
         "Не удалось создать папку кэша WebView2: ",
         "Не удалось инициализировать WebView2 Loader: ",
         "Тайм-аут инициализации WebView2 Loader (5 секунд).",
         "Не удалось создать WebView: CreateBrowser вернул False. Проверьте WebView2 Runtime/права/среду.",
         "Ошибка инициализации WebView2: ",
         "Не удалось перейти на стартовую страницу: ",
     }},
    {"fr",
     {
         "Système anti-addiction Orvane",
         "Double-cliquez ici pour restaurer la fenêtre principale",
         "Chargement de ...",
         "Veuillez patienter...",
         "Échec de la création du dossier de cache WebView2 : ",
         "Échec de l'initialisation de WebView2 Loader : ",
         "Délai d'initialisation de WebView2 Loader dépassé (5 secondes).",
         "Échec de création de WebView : CreateBrowser a retourné False. Vérifiez WebView2 Runtime/permissions/environnement.",
         "Échec de l'initialisation de WebView2 : ",
         "Échec de navigation vers la page d'entrée : ",
     }},
    {"de",
     {
         "Orvane Anti-Sucht-System",
         "Doppelklicken Sie hier, um das Hauptfenster wiederherzustellen",
         "WebView2 wird geladen...",
         "Bitte warten...",
         "WebView2-Cacheordner konnte nicht erstellt werden: ",
         "Initialisierung von WebView2 Loader fehlgeschlagen: ",
         "Zeitüberschreitung bei der Initialisierung von WebView2 Loader (5 Sekunden).",
         "WebView-Erstellung fehlgeschlagen: CreateBrowser gab False zurück. Bitte WebView2 Runtime/Berechtigungen/Umgebung prüfen.",
         "WebView2-Initialisierung fehlgeschlagen: ",
         "Navigation zur Einstiegsseite fehlgeschlagen: ",
     }},
    {"es",
     {
         "Sistema antiadicción Orvane",
         "Haga doble clic aquí para restaurar la ventana principal",
         "Cargando ...",
         "Por favor, espere...",
         "No se pudo crear la carpeta de caché de WebView2: ",
         "Error al inicializar WebView2 Loader: ",
         "Tiempo de espera agotado al inicializar WebView2 Loader (5 segundos).",
         "Error al crear WebView: CreateBrowser devolvió False. Verifique WebView2 Runtime/permisos/entorno.",
         "Error de inicialización de WebView2: ",
         "Error al navegar a la página de entrada: ",
     }},
    {"pt",
     {
         "Sistema anti-vício Orvane",
         "Clique duas vezes aqui para restaurar a janela principal",
         "Carregando WebView2...",
         "Aguarde...",
         "Falha ao criar a pasta de cache do WebView2: ",
         "Falha na inicialização do WebView2 Loader: ",
         "Tempo esgotado na inicialização do WebView2 Loader (5 segundos).",
         "Falha ao criar o WebView: CreateBrowser retornou False. Verifique WebView2 Runtime/permissões/ambiente.",
         "Falha na inicialização do WebView2: ",
         "Falha ao navegar para a página inicial: ",
     }},
    {"ko",
     {
         "Orvane 중독 방지 시스템",
         "여기를 더블 클릭하면 메인 창이 복원됩니다",
         " 로드 중...",
         "잠시만 기다려 주세요...",
         "WebView2 캐시 폴더 생성 실패: ",
         "WebView2 Loader 초기화 실패: ",
         "WebView2 Loader 초기화 시간 초과(5초).",
         "WebView 생성 실패: CreateBrowser가 False를 반환했습니다. WebView2 Runtime/권한/환경을 확인하세요.",
         "WebView2 초기화 실패: ",
         "진입 페이지로 이동 실패: ",
     }},
    {"ar",
     {
         "نظام Orvane لمكافحة الإدمان",
         "انقر نقرا مزدوجا هنا لاستعادة النافذة الرئيسية",
         "جاري تحميل ...",
         "يرجى الانتظار...",
         "فشل إنشاء مجلد ذاكرة التخزين المؤقت لـ WebView2: ",
         "فشل تهيئة WebView2 Loader: ",
         "انتهت مهلة تهيئة WebView2 Loader (5 ثوان).",
         "فشل إنشاء WebView: أعاد CreateBrowser القيمة False. يرجى التحقق من WebView2 Runtime/الأذونات/البيئة.",
         "فشل تهيئة WebView2: ",
         "فشل الانتقال إلى صفحة الدخول: ",
     }},
};

// Texts added to the table above for the overlay after a failed start-up and for the
// failures a person can mend; kept apart so that the table above stays exactly the window's
// original string table. The runtime's download page is Microsoft's own.
#define VANTREEL_WEBVIEW2_PAGE "https://developer.microsoft.com/microsoft-edge/webview2/"
constexpr std::array<std::string_view, 9> kAddedKeys = {
    "loading.failed",
    "loading.retry_hint",
    "loading.restart_hint",
    "loading.install_hint",
    "loading.unpack_hint",
    "err.runtime_missing",
    "err.loader_missing",
    "err.access_denied",
    "loading.page_retry_hint",
};

struct TAddedTexts {
  std::string_view code;
  std::array<std::string_view, 9> texts;
};

const TAddedTexts kAddedLanguages[] = {
    {"en",
     {"Loading failed.", "Minimize the window and restore it to try again, or restart the program.",
      "Please restart the program.", "Install the Microsoft Edge WebView2 Runtime, then start Vantreel again.",
      "Unpack the whole Vantreel zip file again, then start Vantreel again.",
      "The Microsoft Edge WebView2 Runtime, which Vantreel needs, is not installed on this computer.\n\n"
      "Download it from Microsoft's WebView2 page:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "Install it, then start Vantreel again.",
      "The file WebView2Loader.dll is missing from Vantreel's folder or cannot be loaded.\n\n"
      "Unpack the whole Vantreel zip file again, then start Vantreel again.",
      "Vantreel cannot write to its browser data folder (Vantreel\\WebView2Cache in your local application "
      "data).\n\nMake sure that folder can be written, then start Vantreel again.",
      "The page keeps failing. Vantreel tries again by itself in a little while."}},
    {"zh-CN",
     {"加载失败。", "请将窗口最小化后再恢复以重试，或重新启动程序。", "请重新启动程序。",
      "请安装 Microsoft Edge WebView2 Runtime，然后重新启动 Vantreel。",
      "请重新解压完整的 Vantreel 压缩包，然后重新启动 Vantreel。",
      "此电脑未安装 Vantreel 所需的 Microsoft Edge WebView2 Runtime。\n\n"
      "请从 Microsoft 的 WebView2 下载页面获取：\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "安装后请重新启动 Vantreel。",
      "Vantreel 所在文件夹中缺少 WebView2Loader.dll，或该文件无法加载。\n\n"
      "请重新解压完整的 Vantreel 压缩包，然后重新启动 Vantreel。",
      "Vantreel 无法写入其浏览器数据文件夹（本地应用数据中的 Vantreel\\WebView2Cache）。\n\n"
      "请确认该文件夹可写，然后重新启动 Vantreel。",
      "页面反复出错。Vantreel 稍后会自动重试。"}},
    {"zh-TW",
     {"載入失敗。", "請將視窗最小化後再還原以重試，或重新啟動程式。", "請重新啟動程式。",
      "請安裝 Microsoft Edge WebView2 Runtime，然後重新啟動 Vantreel。",
      "請重新解壓縮完整的 Vantreel 壓縮檔，然後重新啟動 Vantreel。",
      "此電腦未安裝 Vantreel 所需的 Microsoft Edge WebView2 Runtime。\n\n"
      "請從 Microsoft 的 WebView2 下載頁面取得：\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "安裝後請重新啟動 Vantreel。",
      "Vantreel 所在資料夾中缺少 WebView2Loader.dll，或該檔案無法載入。\n\n"
      "請重新解壓縮完整的 Vantreel 壓縮檔，然後重新啟動 Vantreel。",
      "Vantreel 無法寫入其瀏覽器資料夾（本機應用程式資料中的 Vantreel\\WebView2Cache）。\n\n"
      "請確認該資料夾可寫入，然後重新啟動 Vantreel。",
      "頁面反覆出錯。Vantreel 稍後會自動重試。"}},
    {"ja",
     {"読み込みに失敗しました。", "ウィンドウを最小化してから元に戻すと再試行します。またはプログラムを再起動してください。",
      "プログラムを再起動してください。",
      "Microsoft Edge WebView2 ランタイムをインストールしてから、Vantreel を起動し直してください。",
      "Vantreel の zip ファイル全体をもう一度展開してから、Vantreel を起動し直してください。",
      "Vantreel に必要な Microsoft Edge WebView2 ランタイムがこのコンピューターにインストールされていません。\n\n"
      "Microsoft の WebView2 ダウンロード ページから入手してください:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "インストール後、Vantreel を起動し直してください。",
      "Vantreel のフォルダーに WebView2Loader.dll が見つからないか、読み込めません。\n\n"
      "Vantreel の zip ファイル全体をもう一度展開してから、Vantreel を起動し直してください。",
      "Vantreel がブラウザー データ フォルダー (ローカル アプリケーション データ内の Vantreel\\WebView2Cache) "
      "に書き込めません。\n\nこのフォルダーに書き込めることを確認してから、Vantreel を起動し直してください。",
      "ページでエラーが繰り返し発生しています。Vantreel はしばらくしてから自動的に再試行します。"}},
    {"ru",
     {"Не удалось загрузить.", "Сверните окно и снова разверните его, чтобы повторить попытку, или перезапустите программу.",
      "Перезапустите программу.", "Установите Microsoft Edge WebView2 Runtime, затем снова запустите Vantreel.",
      "Заново распакуйте весь zip-архив Vantreel, затем снова запустите Vantreel.",
      "На этом компьютере не установлена среда Microsoft Edge WebView2 Runtime, необходимая Vantreel.\n\n"
      "Скачайте её со страницы WebView2 на сайте Microsoft:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "Установите её, затем снова запустите Vantreel.",
      "В папке Vantreel нет файла WebView2Loader.dll, или его не удаётся загрузить.\n\n"
      "Заново распакуйте весь zip-архив Vantreel, затем снова запустите Vantreel.",
      "Vantreel не может записывать в папку данных браузера (Vantreel\\WebView2Cache в локальных данных "
      "приложений).\n\nУбедитесь, что в эту папку можно записывать, затем снова запустите Vantreel.",
      "Страница раз за разом даёт сбой. Vantreel сам попробует снова через некоторое время."}},
    {"fr",
     {"Le chargement a échoué.", "Réduisez la fenêtre puis restaurez-la pour réessayer, ou redémarrez le programme.",
      "Veuillez redémarrer le programme.", "Installez le Microsoft Edge WebView2 Runtime, puis relancez Vantreel.",
      "Décompressez à nouveau l'intégralité du fichier zip de Vantreel, puis relancez Vantreel.",
      "Le Microsoft Edge WebView2 Runtime, dont Vantreel a besoin, n'est pas installé sur cet ordinateur.\n\n"
      "Téléchargez-le depuis la page WebView2 de Microsoft :\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "Installez-le, puis relancez Vantreel.",
      "Le fichier WebView2Loader.dll est absent du dossier de Vantreel ou ne peut pas être chargé.\n\n"
      "Décompressez à nouveau l'intégralité du fichier zip de Vantreel, puis relancez Vantreel.",
      "Vantreel ne peut pas écrire dans son dossier de données du navigateur (Vantreel\\WebView2Cache dans les "
      "données d'application locales).\n\nVérifiez que ce dossier est accessible en écriture, puis relancez Vantreel.",
      "La page échoue à répétition. Vantreel réessaiera de lui-même dans quelques instants."}},
    {"de",
     {"Laden fehlgeschlagen.",
      "Minimieren Sie das Fenster und stellen Sie es wieder her, um es erneut zu versuchen, oder starten Sie das Programm neu.",
      "Bitte starten Sie das Programm neu.",
      "Installieren Sie die Microsoft Edge WebView2 Runtime und starten Sie Vantreel dann neu.",
      "Entpacken Sie die gesamte ZIP-Datei von Vantreel erneut und starten Sie Vantreel dann neu.",
      "Die Microsoft Edge WebView2 Runtime, die Vantreel benötigt, ist auf diesem Computer nicht installiert.\n\n"
      "Laden Sie sie von der WebView2-Seite von Microsoft herunter:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "Installieren Sie sie und starten Sie Vantreel dann neu.",
      "Die Datei WebView2Loader.dll fehlt im Ordner von Vantreel oder kann nicht geladen werden.\n\n"
      "Entpacken Sie die gesamte ZIP-Datei von Vantreel erneut und starten Sie Vantreel dann neu.",
      "Vantreel kann nicht in seinen Browser-Datenordner schreiben (Vantreel\\WebView2Cache in den lokalen "
      "Anwendungsdaten).\n\nStellen Sie sicher, dass dieser Ordner beschreibbar ist, und starten Sie Vantreel dann neu.",
      "Die Seite schlägt wiederholt fehl. Vantreel versucht es in Kürze von selbst erneut."}},
    {"es",
     {"No se pudo cargar.", "Minimice la ventana y restáurela para volver a intentarlo, o reinicie el programa.",
      "Reinicie el programa.", "Instale el Microsoft Edge WebView2 Runtime y vuelva a iniciar Vantreel.",
      "Vuelva a descomprimir todo el archivo zip de Vantreel y vuelva a iniciar Vantreel.",
      "El Microsoft Edge WebView2 Runtime, que Vantreel necesita, no está instalado en este equipo.\n\n"
      "Descárguelo desde la página de WebView2 de Microsoft:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "Instálelo y vuelva a iniciar Vantreel.",
      "Falta el archivo WebView2Loader.dll en la carpeta de Vantreel o no se puede cargar.\n\n"
      "Vuelva a descomprimir todo el archivo zip de Vantreel y vuelva a iniciar Vantreel.",
      "Vantreel no puede escribir en su carpeta de datos del navegador (Vantreel\\WebView2Cache en los datos de "
      "aplicación locales).\n\nCompruebe que se puede escribir en esa carpeta y vuelva a iniciar Vantreel.",
      "La página falla una y otra vez. Vantreel volverá a intentarlo por sí solo dentro de un rato."}},
    {"pt",
     {"Falha ao carregar.", "Minimize a janela e restaure-a para tentar novamente, ou reinicie o programa.",
      "Reinicie o programa.", "Instale o Microsoft Edge WebView2 Runtime e inicie o Vantreel novamente.",
      "Descompacte novamente todo o arquivo zip do Vantreel e inicie o Vantreel novamente.",
      "O Microsoft Edge WebView2 Runtime, necessário para o Vantreel, não está instalado neste computador.\n\n"
      "Baixe-o na página do WebView2 da Microsoft:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "Instale-o e inicie o Vantreel novamente.",
      "O arquivo WebView2Loader.dll está ausente da pasta do Vantreel ou não pode ser carregado.\n\n"
      "Descompacte novamente todo o arquivo zip do Vantreel e inicie o Vantreel novamente.",
      "O Vantreel não consegue gravar na sua pasta de dados do navegador (Vantreel\\WebView2Cache nos dados de "
      "aplicativos locais).\n\nVerifique se essa pasta permite gravação e inicie o Vantreel novamente.",
      "A página falha repetidamente. O Vantreel tentará novamente por conta própria daqui a pouco."}},
    {"ko",
     {"로드하지 못했습니다.", "창을 최소화했다가 다시 복원하면 다시 시도합니다. 또는 프로그램을 다시 시작하세요.",
      "프로그램을 다시 시작하세요.", "Microsoft Edge WebView2 런타임을 설치한 후 Vantreel을 다시 시작하세요.",
      "Vantreel zip 파일 전체의 압축을 다시 푼 후 Vantreel을 다시 시작하세요.",
      "Vantreel에 필요한 Microsoft Edge WebView2 런타임이 이 컴퓨터에 설치되어 있지 않습니다.\n\n"
      "Microsoft의 WebView2 다운로드 페이지에서 받으세요:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "설치한 후 Vantreel을 다시 시작하세요.",
      "Vantreel 폴더에 WebView2Loader.dll 파일이 없거나 파일을 불러올 수 없습니다.\n\n"
      "Vantreel zip 파일 전체의 압축을 다시 푼 후 Vantreel을 다시 시작하세요.",
      "Vantreel이 브라우저 데이터 폴더(로컬 애플리케이션 데이터의 Vantreel\\WebView2Cache)에 쓸 수 없습니다.\n\n"
      "이 폴더에 쓸 수 있는지 확인한 후 Vantreel을 다시 시작하세요.",
      "페이지에 오류가 계속 발생합니다. Vantreel이 잠시 후 자동으로 다시 시도합니다."}},
    {"ar",
     {"تعذّر التحميل.", "صغّر النافذة ثم استعدها لإعادة المحاولة، أو أعد تشغيل البرنامج.", "يرجى إعادة تشغيل البرنامج.",
      "ثبّت Microsoft Edge WebView2 Runtime، ثم أعد تشغيل Vantreel.",
      "فك ضغط ملف Vantreel المضغوط بالكامل مرة أخرى، ثم أعد تشغيل Vantreel.",
      "بيئة التشغيل Microsoft Edge WebView2 Runtime التي يحتاجها Vantreel غير مثبتة على هذا الكمبيوتر.\n\n"
      "نزّلها من صفحة WebView2 على موقع Microsoft:\n" VANTREEL_WEBVIEW2_PAGE "\n\n"
      "ثبّتها، ثم أعد تشغيل Vantreel.",
      "الملف WebView2Loader.dll مفقود من مجلد Vantreel أو لا يمكن تحميله.\n\n"
      "فك ضغط ملف Vantreel المضغوط بالكامل مرة أخرى، ثم أعد تشغيل Vantreel.",
      "لا يستطيع Vantreel الكتابة في مجلد بيانات المتصفح الخاص به (Vantreel\\WebView2Cache ضمن بيانات التطبيقات "
      "المحلية).\n\nتأكد من إمكانية الكتابة في هذا المجلد، ثم أعد تشغيل Vantreel.",
      "تتعطل الصفحة مرارًا. سيعيد Vantreel المحاولة تلقائيًا بعد قليل."}},
};
#undef VANTREEL_WEBVIEW2_PAGE

int KeyIndex(std::string_view key) {
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if (kKeys[i] == key) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

bool SameLanguageCode(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string LanguageCodeFromLangId(std::uint16_t langId) {
  const unsigned primary = langId & 0x3FF;
  const unsigned sub = langId >> 10;
  switch (primary) {
    case 0x01: return "ar";
    case 0x04:
      if (sub == 0x01 || sub == 0x03) return "zh-TW";
      if (sub == 0x02 || sub == 0x04) return "zh-CN";
      return "en";
    case 0x07: return "de";
    case 0x09: return "en";
    case 0x0A: return "es";
    case 0x0C: return "fr";
    case 0x11: return "ja";
    case 0x12: return "ko";
    case 0x16: return "pt";
    case 0x19: return "ru";
    default: return "en";
  }
}

std::string GetUiText(std::string_view language, std::string_view key) {
  for (std::size_t added = 0; added < kAddedKeys.size(); ++added) {
    if (kAddedKeys[added] != key) continue;
    for (const TAddedTexts& entry : kAddedLanguages) {
      if (SameLanguageCode(language, entry.code)) return std::string(entry.texts[added]);
    }
    return std::string(kAddedLanguages[0].texts[added]);
  }
  const int index = KeyIndex(key);
  if (index < 0) return std::string(key);
  for (const TLanguageTexts& entry : kLanguages) {
    if (entry.code != "en" && SameLanguageCode(language, entry.code)) {
      return std::string(entry.texts[static_cast<std::size_t>(index)]);
    }
  }
  return std::string(kLanguages[0].texts[static_cast<std::size_t>(index)]);
}

}  // namespace vantreel
