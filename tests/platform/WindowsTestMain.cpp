#include "WindowsTestMain.h"

#include "platform/ChildProcess.h"
#include "platform/NamedMutex.h"

#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// The vector as the system parses the command line, not as the C runtime did.
QStringList systemArguments() {
    int count = 0;
    wchar_t** vector = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    QStringList arguments;
    for (int i = 0; i < count; ++i)
        arguments << QString::fromWCharArray(vector[i]);
    ::LocalFree(vector);
    return arguments;
}

void print(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

// Tries the mutex for a while: exit code 0 when it got it, 1 when not.
int tryMutex(const QString& name) {
    NamedMutex mutex(name);
    std::atomic<bool> stop{false};
    std::thread giveUp([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const bool got = mutex.lock(&stop);
    giveUp.join();
    if (got) mutex.unlock();
    return got ? 0 : 1;
}

// Takes the mutex and ends without letting it go.
int abandonMutex(const QString& name) {
    static NamedMutex mutex(name);
    mutex.lock();
    ::ExitProcess(0);
}

// Starts a sleeping grandchild, names its id and sleeps until killed.
int spawnSleeper() {
    ChildProcess sleeper(WindowsTestChild::selfPath(),
                         WindowsTestChild::roleArguments(QStringLiteral("sleep")));
    print(QString::number(sleeper.processId()));
    ::Sleep(INFINITE);
    return 0;
}

int playRole(const QStringList& arguments) {
    const QString role = arguments.value(2);
    if (role == QLatin1String("echo")) {
        for (const QString& argument : arguments.mid(3))
            print(QLatin1Char('[') + argument + QLatin1Char(']'));
        return 0;
    }
    if (role == QLatin1String("console")) {
        print(::GetConsoleWindow() ? QStringLiteral("window") : QStringLiteral("none"));
        return 0;
    }
    if (role == QLatin1String("sleep")) {
        ::Sleep(INFINITE);
        return 0;
    }
    if (role == QLatin1String("exit")) return arguments.value(3).toInt();
    if (role == QLatin1String("env")) {
        print(qEnvironmentVariable(arguments.value(3).toLocal8Bit().constData()));
        return 0;
    }
    if (role == QLatin1String("try-mutex")) return tryMutex(arguments.value(3));
    if (role == QLatin1String("abandon-mutex")) return abandonMutex(arguments.value(3));
    if (role == QLatin1String("spawn-sleeper")) return spawnSleeper();
    return 99;
}

}  // namespace

QString WindowsTestChild::selfPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return QString::fromWCharArray(path);
}

QStringList WindowsTestChild::roleArguments(const QString& role, const QStringList& arguments) {
    return QStringList{QStringLiteral("--child"), role} + arguments;
}

int main(int argc, char** argv) {
    const QStringList arguments = systemArguments();
    if (arguments.value(1) == QLatin1String("--child")) return playRole(arguments);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
