#include "PulseAudioServer.h"

#include "WaitFor.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <tuple>

namespace hollerbox::testing {

namespace {

constexpr int kPactlTimeoutMs = 5000;

void writeFile(const QString& path, const QString& text)
{
    QFile file{path};
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
}

} // namespace

PulseAudioServer::PulseAudioServer(Sink sink) : m_sink(sink)
{
    const auto root = m_directory.path();
    QDir{root}.mkpath("runtime");
    QDir{root}.mkpath("home");
    QFile::setPermissions(root + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeScript();
    if (sink == Sink::twoPorts) {
        m_backing = std::make_unique<PulseAudioServer>();
        writeTwoPortCardFiles();
    }
}

void PulseAudioServer::writeScript()
{
    QString script;
    for (const auto& name : m_sinksBefore) {
        script +=
            QStringLiteral("load-module module-null-sink sink_name=%1 rate=44100 channels=2\n").arg(name);
    }
    if (m_testSinkAtStart) {
        script += m_sink == Sink::null
                      ? QStringLiteral("load-module module-null-sink sink_name=%1 rate=44100 channels=2\n")
                      : QStringLiteral(
                            "load-module module-alsa-card device_id=0 use_ucm=1 tsched=0 sink_name=%1\n");
    }
    script += "load-module module-native-protocol-unix auth-anonymous=1 socket=%2\n"
              "load-module module-stream-restore\n";
    if (m_testSinkAtStart) {
        script += "set-default-sink %1\n";
    }
    writeFile(m_directory.path() + "/null.pa",
              script.replace(QStringLiteral("%1"), QString::fromLatin1(sinkName))
                  .replace(QStringLiteral("%2"), m_directory.path() + "/runtime/native"));
}

void PulseAudioServer::setSinksBefore(const QStringList& names)
{
    m_sinksBefore = names;
    writeScript();
}

void PulseAudioServer::setTestSinkAtStart(bool loaded)
{
    m_testSinkAtStart = loaded;
    writeScript();
}

void PulseAudioServer::setFlatVolumes(bool flat)
{
    QDir{m_directory.path()}.mkpath("home/.config/pulse");
    writeFile(m_directory.path() + "/home/.config/pulse/daemon.conf",
              QStringLiteral("flat-volumes = %1\n").arg(flat ? "yes" : "no"));
}

void PulseAudioServer::writeTwoPortCardFiles()
{
    const auto root = m_directory.path();
    writeFile(root + "/asound.conf",
              QStringLiteral("pcm.front {\n"
                             "  @args [ CARD ]\n"
                             "  @args.CARD { type string default \"0\" }\n"
                             "  type pulse\n"
                             "  server \"%1\"\n"
                             "  device \"%2\"\n"
                             "}\n"
                             "ctl.hw {\n"
                             "  @args [ CARD ]\n"
                             "  @args.CARD { type string default \"0\" }\n"
                             "  type hw\n"
                             "  card $CARD\n"
                             "}\n")
                  .arg(QString::fromStdString(m_backing->serverAddress()), QString::fromLatin1(sinkName)));
    QDir{root}.mkpath("ucm2/fake");
    writeFile(root + "/ucm2/ucm.conf",
              "Syntax 4\nUseCasePath.fake {\n  Directory \"fake\"\n  File \"fake.conf\"\n}\n");
    writeFile(root + "/ucm2/fake/fake.conf",
              "Syntax 4\nSectionUseCase.\"HiFi\" {\n  File \"/fake/HiFi.conf\"\n  Comment \"Music\"\n}\n");
    QString verb = "SectionVerb {\n  EnableSequence [ ]\n  DisableSequence [ ]\n}\n";
    for (const auto& [device, other, priority] :
         {std::tuple{"Speaker", "Headphones", 100}, std::tuple{"Headphones", "Speaker", 200}}) {
        verb += QStringLiteral("SectionDevice.\"%1\" {\n"
                               "  Comment \"%1\"\n"
                               "  ConflictingDevice [ \"%2\" ]\n"
                               "  Value {\n"
                               "    PlaybackPriority %3\n"
                               "    PlaybackPCM \"front:0\"\n"
                               "  }\n"
                               "}\n")
                    .arg(device, other)
                    .arg(priority);
    }
    writeFile(root + "/ucm2/fake/HiFi.conf", verb);
}

PulseAudioServer::~PulseAudioServer()
{
    stop();
}

QProcessEnvironment PulseAudioServer::clientEnvironment() const
{
    auto environment = QProcessEnvironment::systemEnvironment();
    const auto root = m_directory.path();
    environment.insert("XDG_RUNTIME_DIR", root + "/runtime");
    environment.insert("PULSE_RUNTIME_PATH", root + "/runtime");
    environment.insert("HOME", root + "/home");
    environment.insert("PULSE_SERVER", QString::fromStdString(serverAddress()));
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    return environment;
}

bool PulseAudioServer::start(std::chrono::milliseconds limit)
{
    stop();
    auto environment = clientEnvironment();
    environment.remove("PULSE_SERVER");
    QString program = "pulseaudio";
    QStringList arguments{"-n",
                          "--daemonize=no",
                          "--exit-idle-time=-1",
                          "--use-pid-file=no",
                          "--realtime=no",
                          "--high-priority=no",
                          "--disallow-exit",
                          "--log-target=stderr",
                          "-F",
                          m_directory.path() + "/null.pa"};
    if (m_sink == Sink::twoPorts) {
        if (!m_backing->start(limit)) {
            return false;
        }
        environment.insert("ALSA_CONFIG_PATH", m_directory.path() + "/asound.conf");
        environment.insert("ALSA_CONFIG_UCM2", m_directory.path() + "/ucm2");
        arguments.prepend(program);
        arguments.prepend(QStringLiteral(HOLLERBOX_AUDIO_HARNESS_DIR "/fake-sound-card.py"));
        program = "/usr/bin/python3";
    }
    m_process = std::make_unique<ServiceProcess>("pulseaudio", program, arguments, environment);
    if (!m_process->start()) {
        return false;
    }
    return waitFor([this] { return !isRunning() || pactl({"info"}).has_value(); }, limit) && isRunning();
}

void PulseAudioServer::stop()
{
    if (m_process) {
        thaw();
        m_process->stop();
    }
    if (m_backing) {
        m_backing->stop();
    }
}

void PulseAudioServer::kill()
{
    if (m_process && m_process->isRunning()) {
        ::kill(static_cast<pid_t>(m_process->processId()), SIGKILL);
        m_process->stop();
    }
}

void PulseAudioServer::freeze()
{
    if (isRunning()) {
        ::kill(static_cast<pid_t>(m_process->processId()), SIGSTOP);
    }
}

void PulseAudioServer::thaw()
{
    if (isRunning()) {
        ::kill(static_cast<pid_t>(m_process->processId()), SIGCONT);
    }
}

bool PulseAudioServer::isRunning() const
{
    return m_process && m_process->isRunning();
}

std::string PulseAudioServer::serverAddress() const
{
    return "unix:" + (m_directory.path() + "/runtime/native").toStdString();
}

std::optional<std::string> PulseAudioServer::pactl(const QStringList& arguments) const
{
    QProcess process;
    process.setProcessEnvironment(clientEnvironment());
    process.setProgram("pactl");
    process.setArguments(QStringList{"--server=" + QString::fromStdString(serverAddress())} + arguments);
    process.start();
    if (!process.waitForFinished(kPactlTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput().toStdString();
}

std::unique_ptr<QProcess> PulseAudioServer::startPactl(const QStringList& arguments) const
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(clientEnvironment());
    process->setProgram("pactl");
    process->setArguments(QStringList{"--server=" + QString::fromStdString(serverAddress())} + arguments);
    process->start();
    return process;
}

std::vector<std::uint32_t> PulseAudioServer::sinkInputs() const
{
    std::vector<std::uint32_t> indexes;
    const auto listing = pactl({"list", "short", "sink-inputs"});
    if (!listing) {
        return indexes;
    }
    for (const auto& line : QString::fromStdString(*listing).split('\n', Qt::SkipEmptyParts)) {
        bool ok = false;
        const auto index = line.section('\t', 0, 0).toUInt(&ok);
        if (ok) {
            indexes.push_back(index);
        }
    }
    return indexes;
}

std::optional<std::uint32_t> PulseAudioServer::sinkOfInput(std::uint32_t input) const
{
    const auto listing = pactl({"list", "short", "sink-inputs"});
    for (const auto& line : QString::fromStdString(listing.value_or("")).split('\n', Qt::SkipEmptyParts)) {
        if (line.section('\t', 0, 0).toUInt() == input) {
            return line.section('\t', 1, 1).toUInt();
        }
    }
    return std::nullopt;
}

std::optional<PulseAudioServer::SinkState> PulseAudioServer::sinkState(const char* name) const
{
    const auto listing = pactl({"list", "sinks"});
    if (!listing) {
        return std::nullopt;
    }
    const auto text = QString::fromStdString(*listing);
    for (const auto& block : text.split(QRegularExpression("\n\\s*\n"))) {
        if (!block.contains(QStringLiteral("Name: %1\n").arg(QString::fromLatin1(name)))) {
            continue;
        }
        SinkState state;
        const auto index = QRegularExpression("Sink #(\\d+)").match(block);
        state.index = index.captured(1).toUInt();
        state.muted = block.contains("Mute: yes");
        state.activePort =
            QRegularExpression("\n\\s*Active Port: ([^\n]*)").match(block).captured(1).toStdString();
        const auto volumeLine = QRegularExpression("\n\\s*Volume: ([^\n]*)").match(block).captured(1);
        auto raw = QRegularExpression(":\\s*(\\d+) /").globalMatch(volumeLine);
        while (raw.hasNext()) {
            state.channelVolumes.push_back(raw.next().captured(1).toDouble() / 65536.0);
        }
        return state;
    }
    return std::nullopt;
}

bool PulseAudioServer::setSinkVolumes(const std::vector<double>& volumes, const char* name) const
{
    QStringList arguments{"set-sink-volume", QString::fromLatin1(name)};
    for (const auto volume : volumes) {
        arguments << QString::number(static_cast<long long>(volume * 65536.0 + 0.5));
    }
    return pactl(arguments).has_value();
}

bool PulseAudioServer::setSinkMute(bool muted, const char* name) const
{
    return pactl({"set-sink-mute", QString::fromLatin1(name), muted ? "1" : "0"}).has_value();
}

std::string PulseAudioServer::logs()
{
    auto text = m_process ? m_process->logs() : std::string{};
    return m_backing ? text + m_backing->logs() : text;
}

} // namespace hollerbox::testing
