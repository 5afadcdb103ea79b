#include "platform/NamedMutex.h"

#include "platform/GeneralError.h"

#include <windows.h>
#include <chrono>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

HANDLE openMutex(const QString& name, DWORD& error) {
    const std::wstring native = name.toStdWString();
    HANDLE handle = ::CreateMutexW(nullptr, FALSE, native.c_str());
    if (!handle) error = ::GetLastError();
    return handle;
}

QString systemReason(DWORD error) {
    return RussianSystemReason(qt_error_string(static_cast<int>(error)));
}

}  // namespace

NamedMutex::NamedMutex(const QString& name) : m_path(name) {
    DWORD sharedError = 0;
    m_handle = openMutex(name, sharedError);
    if (m_handle) return;
    // A machine-wide name another user's object holds with access we lack,
    // or one of another kind: refusing the run would let any local user stop
    // everybody's runs. This session's copies still take turns.
    const QString sharedName = name;
    m_path = QStringLiteral("Local\\") + name.section(QLatin1Char('\\'), -1);
    DWORD ownError = 0;
    m_handle = openMutex(m_path, ownError);
    m_fallbackNote =
        QStringLiteral("Общий объект очерёдности запросов %1 нельзя использовать (%2): ")
            .arg(sharedName, systemReason(sharedError));
    if (m_handle) {
        m_fallbackNote += QStringLiteral(
                              "запросы чередуются только с копиями программы этого "
                              "пользователя (объект %1).")
                              .arg(m_path);
    } else {
        m_fallbackNote += QStringLiteral(
                              "запросы чередуются только внутри этой копии программы (объект "
                              "%1: %2).")
                              .arg(m_path, systemReason(ownError));
    }
}

NamedMutex::~NamedMutex() {
    if (m_handle) ::CloseHandle(m_handle);
}

bool NamedMutex::lock(const std::atomic<bool>* stop, const LongWaitNotice* notice) {
    if (!enterProcessGate(stop)) return false;
    if (!lockFile(stop, notice)) {
        leaveProcessGate();
        return false;
    }
    return true;
}

bool NamedMutex::enterProcessGate(const std::atomic<bool>* stop) {
    std::unique_lock lock(m_gateMutex);
    while (m_gateTaken) {
        if (stop && stop->load()) return false;
        m_gateOpened.wait_for(lock, kPollInterval);
    }
    m_gateTaken = true;
    return true;
}

void NamedMutex::leaveProcessGate() {
    {
        std::lock_guard lock(m_gateMutex);
        m_gateTaken = false;
    }
    m_gateOpened.notify_one();
}

// An abandoned mutex (its holder died) is ours all the same, as a dead
// holder's file lock is on Linux. Past the process gate only another process
// can hold it, so the time spent here is the wait for another copy.
bool NamedMutex::lockFile(const std::atomic<bool>* stop, const LongWaitNotice* notice) {
    if (!m_handle) return true;  // no kernel mutex: the process gate alone orders the threads
    const DWORD slice = stop ? static_cast<DWORD>(kPollInterval.count()) : INFINITE;
    const auto started = std::chrono::steady_clock::now();
    bool notified = false;
    for (;;) {
        const DWORD result = ::WaitForSingleObject(m_handle, slice);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return true;
        if (result != WAIT_TIMEOUT) return false;
        if (stop->load()) return false;
        if (notice && !notified && std::chrono::steady_clock::now() - started >= notice->after) {
            notified = true;
            notice->notify();
        }
    }
}

// The kernel mutex belongs to the thread that took it: lock and unlock on
// one thread, as every holder here does.
void NamedMutex::unlock() {
    if (m_handle) ::ReleaseMutex(m_handle);
    leaveProcessGate();
}
