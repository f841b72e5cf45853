#pragma once

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// A null PulseAudio of the test's own, with a null sink "ostavel_test_sink", so that the test can
// freeze, kill and restart it. PULSE_SERVER points at it from construction on.
class PrivateSoundServer {
public:
    PrivateSoundServer()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        qputenv("PULSE_SERVER", address().toUtf8());
    }
    ~PrivateSoundServer()
    {
        thaw();
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString address() const { return QStringLiteral("unix:") + m_dir.path() + "/native"; }

    bool start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path() + "/home");
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path() + "/runtime");
        m_process.setProcessEnvironment(env);
        m_process.start(
            QStringLiteral("pulseaudio"),
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
             "--disable-shm=yes", "--log-target=stderr", "-L",
             "module-native-protocol-unix auth-anonymous=1 socket=" + m_dir.path() + "/native",
             "-L", "module-null-sink sink_name=ostavel_test_sink"});
        return QTest::qWaitFor([this] { return pactl({"info"}); }, 10000);
    }
    void freeze() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void thaw() { ::kill(pid_t(m_process.processId()), SIGCONT); }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    static bool pactl(const QStringList& arguments)
    {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral("pactl"), arguments);
        return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
