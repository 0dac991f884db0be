// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QTranslator>

#include <array>
#include <map>
#include <memory>

namespace {

const std::array<const char *, 5> languages = {"en_EN", "zh_CN", "ja_JP", "ru_RU", "fr_FR"};

// One entry of the catalogues: its translation in each language (in the order of `languages`), nullptr
// where the user sees the source text because the translation is empty or the catalogue has no entry.
struct CatalogueEntry
{
    const char *context;
    const char *source;
    std::array<const char *, 5> translations;
};

const CatalogueEntry catalogueEntries[] = {
    {"MainWindow", "Chinese", {"中文", "中文", "中文", "中文", "中文"}},
    {"MainWindow", "Configuration lost! Please restore defaults!",
        {"Configuration lost! Please restore defaults!", "配置丢失! 请恢复默认!",
            "構成が失われました！ デフォルトに戻してください！",
            "Конфигурация потеряна! Пожалуйста, восстановите настройки по умолчанию!",
            "Configuration perdue! Veuillez restaurer les valeurs par défaut!"}},
    {"MainWindow", "connect clould and sync information...",
        {"connecting to cloud servers", "连接服务器", "サーバーに接続します", "подключиться к серверу",
            "connexion aux serveurs cloud"}},
    {"MainWindow", "Connect server error, will only use local cache firmware.",
        {"fail to connect to cloud servers", "无法连接到服务器", "サーバーへの接続に失敗する",
            "не удается подключиться к серверам", "Échec de la connexion aux serveurs cloud"}},
    {"MainWindow", "Current Firmware Version",
        {"Current Firmware Version", "当前固件版本", "現在のファームウェアバージョン",
            "Текущая версия прошивки", "Version actuelle du firmware"}},
    {"MainWindow", "English", {"English", "English", "English", "English", "English"}},
    {"MainWindow", "Erase flash failure!",
        {"flash erase error!", "闪存擦除错误！", "フラッシュ消去エラー！", "ошибка стирания прошивки!",
            "Erreur d'effacement de la mémoire flash"}},
    {"MainWindow", "Error", {"Error", "错误", "エラー", "Ошибка", "Erreur"}},
    {"MainWindow", "Firmware downloading...",
        {"Download firmware", "下载固件", "ファームウェアをダウンロードする", "Скачать прошивку",
            "Télécharger le micrologiciel"}},
    {"MainWindow", "Firmware file damage!",
        {"Corrupted file !", "文件损坏 !", "ファイル壊れた !", "Поврежденный файл!", "Ficher corrompu !"}},
    {"MainWindow", "Firmware Files (*.bin *.rfw)", {nullptr, nullptr, nullptr, nullptr, nullptr}},
    {"MainWindow", "Firmware lost! Please update firmware!",
        {"Firmware lost! Please update firmware!", "固件丢失! 请更新固件!",
            "ファームウェアが失われました！ ファームウェアを更新してください！",
            "Прошивка потеряна! Обновите прошивку!",
            "Firmware perdu ! Veuillez mettre à jour le micrologiciel!"}},
    {"MainWindow", "Firmware upgrade is risky!",
        {"Firmware upgrade is risky!\nCaution, Please", "固件升级有风险！\n请谨慎！",
            "ファームウェアのアップグレードは危険です！\n注意してください！",
            "Обновление прошивки опасно!\nОсторожно, пожалуйста!",
            "La mise à niveau du firmware est risquée !\nAttention, s'il vous plait !"}},
    {"MainWindow", "Firmware upgrade is risky!\nCaution, Please!",
        {nullptr, nullptr, nullptr, nullptr,
            "La mise à niveau du firmware est risquée\u00a0!\nAttention, s'il vous plait !"}},
    {"MainWindow", "French", {"Français", "Français", "Français", "Français", "Français"}},
    {"MainWindow", "Hardware failure!",
        {"Hardware failure!", "硬件故障!", "ハードウェア故障!", "Сбой оборудования!",
            "Défaillance du matériel"}},
    {"MainWindow", "Japanese", {"日本語", "日本語", "日本語", "日本語", "日本語"}},
    {"MainWindow", "New Firmware Version",
        {"New Firmware Version", "新的固件版本", "新しいファームウェアバージョン", "Новая версия прошивки",
            "Nouvelle version du micrologiciel"}},
    {"MainWindow", "Open Firmware", {nullptr, nullptr, nullptr, nullptr, nullptr}},
    {"MainWindow", "Tavrune Firmware Tool",
        {"Tavrune Firmware Tool", "Tavrune Firmware Tool", "Tavrune Firmware Tool", "Tavrune Firmware Tool",
            "Tavrune Firmware Tool"}},
    {"MainWindow", "Restore Defaults",
        {"Restore Defaults", "恢复默认", "デフォルトに戻す", "Восстановить настройки по-умолчанию",
            "Restaurer les paramètres par défaut"}},
    {"MainWindow", "Restored successfully!",
        {"Restored successfully!", "恢复成功!", "正常に戻りました！", "Восстановлен успешно!",
            "Restauration réussie!"}},
    {"MainWindow", "Russian", {"русский", "русский", "русский", "русский", "русский"}},
    {"MainWindow", "successfully!",
        {"completed successfully!", "顺利完成!", "正常に完了しました!", "завершено успешно!",
            "complété avec succès!"}},
    {"MainWindow", "The firmware downloaded and checksum error.",
        {"Firmware file error!", "固件文件错误！", "ファームウェアファイルエラー！", "Ошибка файла прошивки!",
            "Erreur de fichier du micrologiciel!"}},
    {"MainWindow", "The information of server error, contact Tavrune for help.",
        {"wrong json file!", "错误的json文件！", "間違ったjsonファイル！", "неправильный файл json!",
            "mauvais fichier json!"}},
    {"MainWindow", "The network error, checking connect and retry.",
        {"fail to connect to cloud servers", "无法连接到服务器", "サーバーへの接続に失敗する",
            "не удается подключиться к серверам", "Échec de la connexion aux serveurs cloud"}},
    {"MainWindow", "Update Firmware",
        {"Update Firmware", "更新固件", "ファームウェアの更新", "Обновить прошивку",
            "Mise à jour du micrologiciel"}},
    {"MainWindow", "Update successfully!",
        {"Update successfully!", "更新成功！", "アップデートは正常に完了しました！", "Обновление успешно!",
            "Mise à jour réussie!"}},
    {"MainWindow", "Upgrade is not supported",
        {"Upgrade is not supported!\nRequired Boot Version >= 2.0.0", "不支持升级！\n要求BOOT版本 >= 2.0.0",
            "アップグレードはサポートされていません!\n必要なブート バージョン >= 2.0.0",
            "Обновление не поддерживается!\nТребуемая версия загрузки >= 2.0.0",
            "La mise à niveau n'est pas prise en charge\u00a0!\nVersion de démarrage requise >= 2.0.0"}},
    {"MainWindow", "Version Change LOG",
        {"Version ChangeLog", "版本变更日志", "バージョン変更ログ", "Журнал изменений версии",
            "LOG du changement de version"}},
    {"MainWindow", "Waring", {"Warning", "警告", "警告", "Предупреждение", "Avertissement"}},
    {"MainWindow",
        "When you first install Tavrune Firmware Tool must connect network, and restart Tavrune Firmware "
        "Tool.",
        {"fail to connect to cloud servers", "无法连接到服务器", "サーバーへの接続に失敗する",
            "не удается подключиться к серверам", "Échec de la connexion aux serveurs cloud"}},
    {"MessageDialog", "Notification", {"Notification", "通知", "通知", "Уведомление", "Notification"}},
    {"MessageDialog", "OK", {"OK", "确定", "はい", "ОК", "OK"}},
    {"MessageDialog", "Restore Defaults",
        {"Restore Defaults", "恢复默认", "デフォルトに戻す", "Восстановить настройки по-умолчанию",
            "Restaurer les paramètres par défaut"}},
    {"MessageDialog", "Update Firmware",
        {"Update Firmware", "更新固件", "ファームウェアの更新", "Обновить прошивку",
            "Mise à jour du micrologiciel"}},
    {"QObject", "Message", {"Message", "信息", "メッセージ", "Сообщение", "Message"}},
    {"QObject", "Tavrune Firmware Tool is already running!",
        {"Tavrune Firmware Tool is running!", "Tavrune固件工具已经运行!", "Tavrune Flash Toolは実行中!",
            "Утилита уже запущена!", "Tavrune Firmware Tool est en cours d'exécution!"}},
    {"SettingsDialog", "Boot Mode(No Controller):",
        {"Boot Mode(No Controller)", "启动模式(无手柄)", "ブートモード（ハンドルなし）",
            "Режим загрузки (без ручки)", "Mode de demarrage (sans manette)"}},
    {"SettingsDialog", "Data Backup",
        {"Data Backup", "数据备份", "データバックアップ", "Резервное копирование данных",
            "Sauvegarde des données"}},
    {"SettingsDialog", "Data Restore",
        {"Data Restore", "数据还原", "データの復元", "Восстановление данных", "Restauration des données"}},
    {"SettingsDialog", "UNDEFINE", {"[TBD]", "[TBD]", "[TBD]", "[TBD]", "[TBD]"}},
    {"MainWindow", "The adapter is in use by %1.\nIt will be found here once that program is done.",
        {"The adapter is in use by %1.\nIt will be found here once that program is done.",
            "适配器正被 %1 使用。\n该程序结束后，这里将找到适配器。",
            "アダプターは %1 が使用中です。\nそのプログラムが終わると、ここで見つかります。",
            "Адаптер используется программой %1.\nОн появится здесь, когда эта программа завершит работу.",
            "L'adaptateur est utilisé par %1.\nIl sera trouvé ici dès que ce programme aura terminé."}},
    {"MainWindow", "The latest version of Tavrune Firmware Tool is %1; this one is %2.",
        {"The latest version of Tavrune Firmware Tool is %1; this one is %2.",
            "Tavrune Firmware Tool 的最新版本是 %1，当前版本是 %2。",
            "Tavrune Firmware Tool の最新バージョンは %1 です。このバージョンは %2 です。",
            "Последняя версия Tavrune Firmware Tool: %1, у вас версия %2.",
            "La dernière version de Tavrune Firmware Tool est la %1 ; celle-ci est la %2."}},
    {"MainWindow",
        "The firmware file offered for version %1 carries version %2. It was not written and not kept.",
        {"The firmware file offered for version %1 carries version %2. It was not written and not kept.",
            "为版本 %1 提供的固件文件实际是版本 %2。该文件未被写入，也未被保留。",
            "バージョン %1 として提供されたファームウェアファイルの中身はバージョン %2 です。"
            "書き込まず、保存もしませんでした。",
            "Файл прошивки, предложенный для версии %1, содержит версию %2. "
            "Он не был ни записан, ни сохранён.",
            "Le fichier de firmware proposé pour la version %1 contient la version %2. "
            "Il n'a été ni écrit ni conservé."}},
    {"MainWindow",
        "The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not "
        "written and not kept.",
        {"The firmware file offered for version %1 is not the one first seen for that version, on %2. It was not "
         "written and not kept.",
            "为版本 %1 提供的固件文件与 %2 首次看到的该版本文件不同。该文件未被写入，也未被保留。",
            "バージョン %1 として提供されたファームウェアファイルは、%2 に初めて確認した"
            "このバージョンのファイルと異なります。書き込まず、保存もしませんでした。",
            "Файл прошивки, предложенный для версии %1, отличается от файла этой версии, "
            "впервые полученного %2. Он не был ни записан, ни сохранён.",
            "Le fichier de firmware proposé pour la version %1 n'est pas celui vu pour la première fois pour "
            "cette version, le %2. Il n'a été ni écrit ni conservé."}},
};

// Texts the program looks up that no catalogue translates, so every language shows them as written.
// "Firmware upgrade is risky!\r\nCaution, Please!" differs from the French-only entry by its carriage
// return alone. The last group are texts of the table looked up in a context that does not hold them.
const std::pair<const char *, const char *> untranslatedTexts[] = {
    {"MainWindow", "Firmware upgrade is risky!\r\nCaution, Please!"},
    {"MainWindow", "Hardware Version:"},
    {"MainWindow", "Boot Version:"},
    {"MainWindow", "Versions"},
    {"MainWindow", "The latest version update!"},
    {"MainWindow", "Upgrade"},
    {"MainWindow", "Failed to read device information!"},
    {"MainWindow", "Invalid file!"},
    {"MainWindow", "<html><head/><body><p><br/></p></body></html>"},
    {"MessageDialog", "Dialog"},
    {"SettingsDialog", "Dialog"},
    {"SettingsDialog", "Auto"},
    {"SettingsDialog", "PS4(PC)"},
    {"SettingsDialog", "XB360(PC)"},
    {"SettingsDialog", "SWITCH"},
    {"MainWindow", "OK"},
    {"MainWindow", "Message"},
    {"MessageDialog", "Error"},
    {"SettingsDialog", "Restore Defaults"},
    {"QObject", "Update Firmware"},
};

QString rowName(const char *language, const char *context, const char *source)
{
    QString name = QStringLiteral("%1 %2 \"%3\"")
                       .arg(QLatin1String(language), QLatin1String(context), QString::fromUtf8(source));
    return name.replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

} // namespace

// The compiled catalogues as the program's resource bundle holds them, looked up the way the program
// looks up its texts: exactly one catalogue installed, by context and source text, no disambiguation.
class TestTranslationCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyLanguageHasItsCatalogue_data();
    void everyLanguageHasItsCatalogue();
    void catalogueShowsEntry_data();
    void catalogueShowsEntry();
    void untranslatedTextShowsSource_data();
    void untranslatedTextShowsSource();

private:
    QString shownText(const char *language, const char *context, const char *source);

    std::map<QString, std::unique_ptr<QTranslator>> m_translators; // by language, loaded from the bundle
};

void TestTranslationCatalogue::initTestCase()
{
    for (const char *language : languages) {
        auto translator = std::make_unique<QTranslator>();
        translator->load(
            QStringLiteral(":/translations/TavruneFirmwareTool_%1.qm").arg(QLatin1String(language)));
        m_translators[QLatin1String(language)] = std::move(translator);
    }
}

QString TestTranslationCatalogue::shownText(const char *language, const char *context, const char *source)
{
    QTranslator *translator = m_translators.at(QLatin1String(language)).get();
    QCoreApplication::installTranslator(translator);
    const QString text = QCoreApplication::translate(context, source);
    QCoreApplication::removeTranslator(translator);
    return text;
}

void TestTranslationCatalogue::everyLanguageHasItsCatalogue_data()
{
    QTest::addColumn<QString>("language");
    for (const char *language : languages)
        QTest::newRow(language) << QString::fromLatin1(language);
}

void TestTranslationCatalogue::everyLanguageHasItsCatalogue()
{
    QFETCH(QString, language);
    const QString path = QStringLiteral(":/translations/TavruneFirmwareTool_%1.qm").arg(language);
    QVERIFY(QFile::exists(path));

    QTranslator translator;
    QVERIFY(translator.load(path));
    QVERIFY(!translator.isEmpty());
    QCOMPARE(translator.language(), language);
}

void TestTranslationCatalogue::catalogueShowsEntry_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("translation"); // null where the source text is shown

    for (std::size_t i = 0; i < languages.size(); ++i) {
        for (const CatalogueEntry &entry : catalogueEntries) {
            QTest::newRow(qPrintable(rowName(languages[i], entry.context, entry.source)))
                << QByteArray(languages[i]) << QByteArray(entry.context) << QByteArray(entry.source)
                << (entry.translations[i] ? QString::fromUtf8(entry.translations[i]) : QString());
        }
    }
}

void TestTranslationCatalogue::catalogueShowsEntry()
{
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, translation);

    const QString lookedUp = m_translators.at(QString::fromLatin1(language))->translate(context, source);
    if (translation.isNull()) {
        QVERIFY2(lookedUp.isEmpty(), qPrintable(lookedUp));
        QCOMPARE(shownText(language, context, source), QString::fromUtf8(source));
    } else {
        QCOMPARE(lookedUp, translation);
        QCOMPARE(shownText(language, context, source), translation);
    }
}

void TestTranslationCatalogue::untranslatedTextShowsSource_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");

    for (const char *language : languages) {
        for (const auto &[context, source] : untranslatedTexts) {
            QTest::newRow(qPrintable(rowName(language, context, source)))
                << QByteArray(language) << QByteArray(context) << QByteArray(source);
        }
    }
}

void TestTranslationCatalogue::untranslatedTextShowsSource()
{
    QFETCH(QByteArray, language);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);

    const QString lookedUp = m_translators.at(QString::fromLatin1(language))->translate(context, source);
    QVERIFY2(lookedUp.isEmpty(), qPrintable(lookedUp));
    QCOMPARE(shownText(language, context, source), QString::fromUtf8(source));
}

QTEST_GUILESS_MAIN(TestTranslationCatalogue)

#include "tst_translationcatalogue.moc"
