// SPDX-FileCopyrightText: 2026 The Tavrune M4 Firmware Tool authors
// SPDX-License-Identifier: MIT
#include "flashcli.h"

#include "cloud/synccloud.h"
#include "device/firmwarefile.h"
#include "device/flashimage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

struct ExitCodeText
{
    FlashCli::ExitCode code;
    const char *text;
};

const ExitCodeText exitCodeTexts[] = {
    {FlashCli::Exit_Success, "success (verify: identical)"},
    {FlashCli::Exit_Cancelled, "cancelled: the boot loader confirmation was declined"},
    {FlashCli::Exit_Usage,
        "usage: unknown command or option, missing or unreadable file, a backup file that "
        "cannot be written, unknown catalogue version, a confirmation that needs --yes, or "
        "several adapters plugged in without --device"},
    {FlashCli::Exit_NoAdapter,
        "no adapter found (none at --device's path, or it reports a hardware failure, or "
        "was unplugged before the update began)"},
    {FlashCli::Exit_FileRefused, "the firmware file was refused by its checks; a catalogue file also when it "
                                 "carries another version, or differs from the file first seen for its "
                                 "version"},
    {FlashCli::Exit_EraseFailed, "erasing the adapter's flash failed"},
    {FlashCli::Exit_WriteFailed,
        "writing or verifying failed part way, or the adapter was unplugged during the "
        "update: the firmware is incomplete (update); or the read-back stopped (verify, backup)"},
    {FlashCli::Exit_Network, "network or catalogue error, a catalogue request or download past its deadline "
                             "among them"},
    {FlashCli::Exit_InUse, "the adapter is in use by another program (the window, another tavrune-flash, or a "
                           "copy of the tool that another user or root runs)"},
    {FlashCli::Exit_Differs, "the adapter's flash differs from what the firmware file writes (verify)"},
    {FlashCli::Exit_NothingToBackUp,
        "the adapter's firmware does not match its information block, or is below "
        "2.0.0: nothing to back up (backup, update --backup)"},
};

QString helpEpilogue()
{
    QString text = QStringLiteral(
        "\nCommands:\n"
        "  list             every adapter plugged in, one a line: product ID, path, serial number, firmware\n"
        "                   version and the state of its flash blocks, or who has it in use\n"
        "  info             the adapter's product ID, versions and the state of its three flash blocks\n"
        "  check FILE       whether a firmware file would be accepted, and its SHA-256; no adapter needed\n"
        "  versions         the firmware versions of the catalogue, with their change logs and the SHA-256\n"
        "                   first seen for each, and the tool's own latest version when it is not this one\n"
        "  update FILE      check FILE, write it to the adapter and read the new version back\n"
        "  update --version V\n"
        "                   the same with catalogue version V, downloaded into the tool's cache\n"
        "  verify FILE      check FILE, read the adapter's firmware back and compare it byte for byte with\n"
        "                   what updating with FILE writes; nothing is erased or written\n"
        "  verify --version V\n"
        "                   the same with catalogue version V\n"
        "  backup FILE      read the adapter's firmware back for the length its information block gives,\n"
        "                   check it against the block's MD5 and save it as a firmware file that check\n"
        "                   accepts and update writes back; nothing is erased or written on the adapter\n"
        "  update --backup B FILE\n"
        "                   back the adapter's firmware up to B first; the update starts only when the\n"
        "                   backup is whole\n"
        "\nWith two or more adapters plugged in, a command that talks to an adapter needs --device PATH.\n"
        "\nExit codes:\n");
    for (const ExitCodeText &entry : exitCodeTexts)
        text += QStringLiteral("  %1  %2\n").arg(int(entry.code), 2).arg(QLatin1String(entry.text));
    text += QStringLiteral(
        "\nWhile update erases and writes the adapter, Ctrl-C, SIGTERM and a closed terminal (SIGHUP) are held:\n"
        "stopping then would leave the adapter without firmware. The program says so once and ends with the\n"
        "update's own exit code as soon as the write is done.\n");
    return text;
}

// Which checks a firmware file failed, for --json and for the message.
struct RefusalText
{
    FirmwareFile::Fault fault;
    const char *key;
    const char *text; // %1: the file, %2: its version
};

const RefusalText refusalTexts[] = {
    {FirmwareFile::Fault_Empty, "empty", "%1 is empty"},
    {FirmwareFile::Fault_Digest, "digest",
        "%1 is damaged or not a Tavrune M4 firmware file: its MD5 digest does not match"},
    {FirmwareFile::Fault_Type, "type", "%1 is not Tavrune M4 firmware: its type marker is wrong"},
    {FirmwareFile::Fault_Version, "version", "%1 carries firmware %2, and versions below 2 are refused"},
    {FirmwareFile::Fault_ImageSize, "imageSize",
        "%1 carries a firmware image that is empty or larger than the adapter's firmware area"},
};

// The catalogue's texts are shown, never obeyed: a control character (a terminal's escape sequence among
// them) is shown as a replacement character.
QString asText(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

// The library's diagnostics are for developers: the command line shows them only with --verbose.
QtMessageHandler diagnosticsHandler = nullptr;

void dropDiagnostics(QtMsgType, const QMessageLogContext &, const QString &)
{
}

} // namespace

FlashCli::FlashCli(const QUrl &catalogueServer, QObject *parent)
    : QObject(parent)
    , m_catalogueServer(catalogueServer)
    , m_out(stdout)
    , m_err(stderr)
{
    // Quiet from the start: the device link logs as soon as it exists.
    diagnosticsHandler = qInstallMessageHandler(dropDiagnostics);
    m_device = new DeviceFlash(this);
    connect(m_device, &DeviceFlash::deviceConnectStatusChanged, this,
        [this](bool connected, DeviceFlash::Tavrune product) {
            m_adapter.connected = connected;
            if (connected)
                m_adapter.product = product;
            wake();
        },
        Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::isBusyChanged, this,
        [this](bool busy) {
            m_adapter.busy = busy;
            if (!busy)
                ++m_adapter.tasksEnded;
            wake();
        },
        Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::error, this, [this](int error) { m_adapter.errors.append(error); },
        Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::upgradeable, this,
        [this](bool state) { m_adapter.oldBootLoader = !state; }, Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::adapterInUse, this,
        [this](const QString &holder) {
            m_adapter.inUse = true;
            m_adapter.holder = holder;
            wake();
        },
        Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::dataStoreProgressChanged, this,
        [this](qint64, qint64 total) {
            m_adapter.updateStarted = true;
            m_adapter.total = total;
        },
        Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::write2FlashProgressChanged, this,
        [this](qint64 current, qint64 total) {
            m_adapter.total = total;
            showProgress(QStringLiteral("Written"), current, total);
        },
        Qt::QueuedConnection);
    connect(m_device, &DeviceFlash::updateFinished, this,
        [this](DeviceFlash::UpdateOutcome outcome, qint64 verified, FirmwareFile::Fault refusal) {
            m_adapter.updateFinished = true;
            m_adapter.outcome = outcome;
            m_adapter.verified = verified;
            m_adapter.refusal = refusal;
            wake();
        },
        Qt::QueuedConnection);
}

// The adapter is let go of before the program ends: DeviceFlash waits for a task still running.
FlashCli::~FlashCli() = default;

int FlashCli::run(const QStringList &arguments)
{
    const int code = parseAndRun(arguments);
    if (m_json) {
        m_result.insert(QStringLiteral("exitCode"), code);
        m_out << QJsonDocument(m_result).toJson(QJsonDocument::Compact) << '\n';
        m_out.flush();
    }
    return code;
}

int FlashCli::parseAndRun(const QStringList &arguments)
{
    // "--wait" takes an optional number of seconds, which the parser cannot express: take it out first.
    QStringList args;
    QString badWait;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--wait") || arg.startsWith(QLatin1String("--wait="))) {
            m_wait = true;
            QString seconds = arg.mid(7);
            if (arg.size() == 6 && i + 1 < arguments.size() && !arguments.at(i + 1).isEmpty() &&
                std::all_of(arguments.at(i + 1).begin(), arguments.at(i + 1).end(),
                    [](QChar c) { return c.isDigit(); }))
                seconds = arguments.at(++i);
            if (arg.size() > 6 || !seconds.isEmpty()) {
                bool ok = false;
                m_waitSeconds = seconds.toInt(&ok);
                if (!ok || m_waitSeconds < 0)
                    badWait = arg;
            }
            args << QStringLiteral("--wait");
        } else {
            args << arg;
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, checks and updates the firmware of the Tavrune M4 adapter (version %1).")
            .arg(QCoreApplication::applicationVersion()));
    parser.addPositionalArgument(QStringLiteral("command"),
        QStringLiteral("list, info, check FILE, versions, update FILE, update --version V, verify FILE, "
                       "verify --version V or backup FILE"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A firmware file (.rfw or .bin)."),
        QStringLiteral("[FILE]"));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption jsonOption(QStringLiteral("json"),
        QStringLiteral("Answer with one JSON object on standard output."));
    const QCommandLineOption yesOption({QStringLiteral("y"), QStringLiteral("yes")},
        QStringLiteral("Update an adapter whose boot loader is below 2 without asking."));
    const QCommandLineOption waitOption(QStringLiteral("wait"),
        QStringLiteral("Wait for the adapter to be plugged in: as long as it takes, or at most the "
                       "number of seconds that follows (--wait 30). After an update or a verify, wait for it "
                       "to be unplugged, so that a loop goes through one adapter after another."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
        QStringLiteral("With update or verify: the catalogue version to write or to compare with."),
        QStringLiteral("V"));
    const QCommandLineOption backupOption(QStringLiteral("backup"),
        QStringLiteral(
            "With update: back the adapter's firmware up to FILE first, as the backup command does."),
        QStringLiteral("FILE"));
    const QCommandLineOption deviceOption(QStringLiteral("device"),
        QStringLiteral(
            "With info, update, verify and backup: the adapter at PATH, as list shows it (its hidraw "
            "node; its interface path on Windows). Needed when several adapters are plugged in."),
        QStringLiteral("PATH"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
        QStringLiteral("Write the program's diagnostics to standard error."));
    parser.addOptions(
        {jsonOption, yesOption, waitOption, versionOption, backupOption, deviceOption, verboseOption});

    const bool parsed = parser.parse(args);
    m_json = parsed ? parser.isSet(jsonOption) : args.contains(QStringLiteral("--json"));
    if (!parsed)
        return fail(Exit_Usage, parser.errorText());
    if (!badWait.isEmpty())
        return fail(Exit_Usage, QStringLiteral("%1: the seconds to wait must be a whole number").arg(badWait));
    if (parser.isSet(helpOption)) {
        m_out << parser.helpText() << helpEpilogue();
        m_out.flush();
        return Exit_Success;
    }
    m_yes = parser.isSet(yesOption);
    if (parser.isSet(verboseOption))
        qInstallMessageHandler(diagnosticsHandler);

    const QStringList positional = parser.positionalArguments();
    const QString command = positional.value(0);
    const QString file = positional.value(1);
    const QString version = parser.value(versionOption);
    m_result.insert(QStringLiteral("command"), command);
    const bool writesOrVerifies = command == QLatin1String("update") || command == QLatin1String("verify");
    const bool backsUp = command == QLatin1String("backup");
    const bool takesFile =
        command == QLatin1String("check") || backsUp || (writesOrVerifies && !parser.isSet(versionOption));
    const bool usesAdapter = command == QLatin1String("info") || writesOrVerifies || backsUp;
    m_backupPath = parser.value(backupOption);
    m_devicePath = parser.value(deviceOption).toLocal8Bit();

    if (command.isEmpty())
        return fail(Exit_Usage, QStringLiteral("no command given (try --help)"));
    if (!QStringList({QStringLiteral("info"), QStringLiteral("check"), QStringLiteral("versions"),
                         QStringLiteral("update"), QStringLiteral("verify"), QStringLiteral("backup"),
                         QStringLiteral("list")})
             .contains(command))
        return fail(Exit_Usage, QStringLiteral("unknown command: %1 (try --help)").arg(command));
    if (takesFile && file.isEmpty())
        return fail(Exit_Usage, QStringLiteral("%1 needs a firmware file").arg(command));
    if (parser.isSet(deviceOption) && !usesAdapter)
        return fail(Exit_Usage, QStringLiteral("--device goes with info, update, verify and backup only"));
    if (parser.isSet(deviceOption) && m_devicePath.isEmpty())
        return fail(Exit_Usage, QStringLiteral("--device needs the path of an adapter (see list)"));
    if (parser.isSet(backupOption) && command != QLatin1String("update"))
        return fail(Exit_Usage, QStringLiteral("--backup goes with update only"));
    if (parser.isSet(backupOption) && m_backupPath.isEmpty())
        return fail(Exit_Usage, QStringLiteral("--backup needs a file to back the adapter's firmware up to"));
    if (positional.size() > (takesFile ? 2 : 1))
        return fail(Exit_Usage, QStringLiteral("unexpected argument: %1").arg(positional.last()));
    if (parser.isSet(versionOption) && !writesOrVerifies)
        return fail(Exit_Usage, QStringLiteral("--version goes with update and verify only"));
    if (parser.isSet(versionOption) && version.isEmpty())
        return fail(Exit_Usage, QStringLiteral("--version needs a catalogue version"));
    if ((m_wait || m_yes) && !usesAdapter)
        return fail(
            Exit_Usage, QStringLiteral("--wait and --yes go with info, update, verify and backup only"));

    if (command == QLatin1String("info"))
        return info();
    if (command == QLatin1String("check"))
        return check(file);
    if (command == QLatin1String("versions"))
        return versions();
    if (command == QLatin1String("verify"))
        return verify(file, version);
    if (backsUp)
        return backup(file);
    if (command == QLatin1String("list"))
        return list();
    return update(file, version);
}

int FlashCli::info()
{
    const int found = findAdapter();
    if (found != Exit_Success)
        return found;

    const bool configValid = m_device->blockState(DeviceFlash::Address_DeviceConfig) ==
        DeviceFlash::BlockState_Valid;
    const QString product = productText(m_adapter.product);
    const QString firmware = m_device->version();
    const QString hardware = configValid ? m_device->hardwareVersion() : QString();
    const QString boot = configValid ? m_device->bootVersion() : QString();
    const QJsonObject blocks = blockStates(*m_device);
    auto orNull = [](const QString &text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    m_result.insert(QStringLiteral("productId"), product);
    m_result.insert(QStringLiteral("path"), QString::fromLocal8Bit(m_device->adapterPath()));
    m_result.insert(QStringLiteral("firmwareVersion"), orNull(firmware));
    m_result.insert(QStringLiteral("hardwareVersion"), orNull(hardware));
    m_result.insert(QStringLiteral("bootLoaderVersion"), orNull(boot));
    m_result.insert(QStringLiteral("blocks"), blocks);

    const QString unknown = QStringLiteral("unknown");
    say(QStringLiteral("Product ID:               %1").arg(product));
    say(QStringLiteral("Path:                     %1").arg(QString::fromLocal8Bit(m_device->adapterPath())));
    say(QStringLiteral("Firmware version:         %1").arg(firmware.isEmpty() ? unknown : firmware));
    say(QStringLiteral("Hardware version:         %1").arg(hardware.isEmpty() ? unknown : hardware));
    say(QStringLiteral("Boot loader version:      %1").arg(boot.isEmpty() ? unknown : boot));
    say(QStringLiteral("Device configuration:     %1").arg(blocks.value(QStringLiteral("deviceConfig")).toString()));
    say(QStringLiteral("Firmware information:     %1").arg(blocks.value(QStringLiteral("firmwareInfo")).toString()));
    say(QStringLiteral("Extra configuration:      %1").arg(blocks.value(QStringLiteral("extraConfig")).toString()));
    return Exit_Success;
}

QString FlashCli::productText(int productId)
{
    return QStringLiteral("0x%1").arg(
        QString::number(productId, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

QJsonObject FlashCli::blockStates(const DeviceFlash &link)
{
    auto state = [&link](quint32 address) {
        switch (link.blockState(address)) {
        case DeviceFlash::BlockState_Valid:
            return QStringLiteral("valid");
        case DeviceFlash::BlockState_Invalid:
            return QStringLiteral("invalid");
        case DeviceFlash::BlockState_Unreadable:
            return QStringLiteral("unreadable");
        case DeviceFlash::BlockState_NotRead:
            break;
        }
        return QStringLiteral("not read");
    };
    return QJsonObject {
        {QStringLiteral("deviceConfig"), state(DeviceFlash::Address_DeviceConfig)},
        {QStringLiteral("firmwareInfo"), state(DeviceFlash::Address_FirmwareInfo)},
        {QStringLiteral("extraConfig"), state(DeviceFlash::Address_ExtraConfig)},
    };
}

int FlashCli::check(const QString &path)
{
    FirmwareFile checked;
    const int code = checkFile(path, checked);
    if (code == Exit_Success)
        say(QStringLiteral("%1: firmware %2, image of %3 bytes: accepted")
                .arg(path, checked.versionText())
                .arg(checked.image().size()));
    return code;
}

int FlashCli::checkFile(const QString &path, FirmwareFile &checked)
{
    m_result.insert(QStringLiteral("file"), path);
    const QFileInfo info(path);
    if (!info.exists())
        return fail(Exit_Usage, QStringLiteral("%1: no such file").arg(path));
    if (info.isDir())
        return fail(Exit_Usage, QStringLiteral("%1 is a directory, not a firmware file").arg(path));
    const FirmwareFile read = FirmwareFile::read(path);
    if (read.fault() == FirmwareFile::Fault_Unreadable)
        return fail(Exit_Usage, QStringLiteral("%1 cannot be read").arg(path));
    if (read.fault() == FirmwareFile::Fault_TooLarge)
        return fail(Exit_Usage, QStringLiteral("%1 is far too large to be a firmware file").arg(path));

    checked = read.fault() == FirmwareFile::Fault_None ? FirmwareFile::unpack(read.data()) : read;
    const QString sha256 = QString::fromLatin1(FirmwareDigests::sha256Of(read.data()));
    if (!read.data().isEmpty())
        m_result.insert(QStringLiteral("sha256"), sha256);
    m_result.insert(QStringLiteral("accepted"), checked.fault() == FirmwareFile::Fault_None);
    if (!checked.versionText().isEmpty())
        m_result.insert(QStringLiteral("version"), checked.versionText());
    if (checked.fault() == FirmwareFile::Fault_None) {
        m_result.insert(QStringLiteral("imageSize"), checked.image().size());
        // To compare with a digest the maker publishes, in the form sha256sum checks.
        say(QStringLiteral("SHA-256 %1  %2").arg(sha256, path));
        return Exit_Success;
    }
    return refuse(checked.fault(), path, checked.versionText());
}

int FlashCli::refuse(FirmwareFile::Fault fault, const QString &path, const QString &version)
{
    for (const RefusalText &refusal : refusalTexts) {
        if (refusal.fault == fault) {
            m_result.insert(QStringLiteral("reason"), QLatin1String(refusal.key));
            return fail(Exit_FileRefused, QLatin1String(refusal.text).arg(path, version));
        }
    }
    return fail(Exit_FileRefused, QStringLiteral("%1 was refused").arg(path));
}

int FlashCli::versions()
{
    const int loaded = loadCatalogue();
    if (loaded != Exit_Success)
        return loaded;
    const QStringList versions = m_cloud->firmwareVersions();
    QJsonArray list;
    for (int i = 0; i < versions.size(); ++i) {
        const QString changeLog = m_cloud->firmwareChangeLog(i);
        const FirmwareDigests::Entry seen = m_cloud->firstSeen(versions.at(i));
        const QString sha256 = QString::fromLatin1(seen.sha256);
        const QString firstSeen = seen.firstSeen.toString(Qt::ISODate);
        list.append(QJsonObject {
            {QStringLiteral("version"), versions.at(i)},
            {QStringLiteral("changeLog"), changeLog},
            {QStringLiteral("sha256"), sha256.isEmpty() ? QJsonValue() : QJsonValue(sha256)},
            {QStringLiteral("firstSeen"), sha256.isEmpty() ? QJsonValue() : QJsonValue(firstSeen)},
        });
        say(asText(versions.at(i)));
        // The catalogue separates a change log's lines with ";".
        for (const QString &line : changeLog.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            say(QStringLiteral("    %1").arg(asText(line.trimmed())));
        if (!sha256.isEmpty())
            say(QStringLiteral("    SHA-256 %1, first seen %2").arg(sha256, firstSeen));
    }
    if (versions.isEmpty())
        note(QStringLiteral("The catalogue lists no firmware versions."));
    m_result.insert(QStringLiteral("versions"), list);
    const QString tool = m_cloud->offeredToolVersion();
    if (!tool.isEmpty()) {
        m_result.insert(QStringLiteral("toolVersion"), tool);
        note(QStringLiteral("%1 %2 is available; this one is %3.")
                 .arg(QCoreApplication::applicationName(), asText(tool),
                     QCoreApplication::applicationVersion()));
    }
    return Exit_Success;
}

SyncCloud *FlashCli::cloud()
{
    if (m_cloud)
        return m_cloud;
    m_cloud = m_catalogueServer.isEmpty() ? new SyncCloud(this) : new SyncCloud(m_catalogueServer, this);
    if (m_catalogueDeadlineMs >= 0)
        m_cloud->setDeadlines(m_catalogueDeadlineMs, m_downloadDeadlineMs);
    connect(m_cloud, &SyncCloud::syncError, this, [this](SyncCloud::SyncError error) { m_syncErrors << error; },
        Qt::QueuedConnection);
    connect(m_cloud, &SyncCloud::syncFinshed, this,
        [this] {
            m_syncFinished = true;
            wake();
        },
        Qt::QueuedConnection);
    return m_cloud;
}

bool FlashCli::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (timeoutMs >= 0)
        timeout.start(timeoutMs);
    QEventLoop *outer = std::exchange(m_waiting, &loop);
    while (!done() && (timeoutMs < 0 || timeout.isActive()))
        loop.exec();
    m_waiting = outer;
    return done();
}

void FlashCli::wake()
{
    if (m_waiting)
        m_waiting->quit();
}

void FlashCli::settle()
{
    waitUntil([this] { return !m_adapter.busy; });
}

int FlashCli::fail(ExitCode code, const QString &message)
{
    m_result.insert(QStringLiteral("error"), message);
    m_err << QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() << ": " << message << '\n';
    m_err.flush();
    return code;
}

void FlashCli::say(const QString &line)
{
    if (m_json)
        return;
    m_out << line << '\n';
    m_out.flush();
}

void FlashCli::note(const QString &line)
{
    if (m_json)
        return;
    m_err << line << '\n';
    m_err.flush();
}
