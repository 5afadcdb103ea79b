#include "platform/NamedMutex.h"

#include "platform/GeneralError.h"

#include <windows.h>
#include <chrono>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

}  // namespace

NamedMutex::NamedMutex(const QString& name) : m_path(name) {
    const std::wstring native = name.toStdWString();
    m_handle = ::CreateMutexW(nullptr, FALSE, native.c_str());
    if (!m_handle) {
        throw EGeneralError(QStringLiteral("%1: %2").arg(
            name, qt_error_string(static_cast<int>(::GetLastError()))));
    }
}

NamedMutex::~NamedMutex() {
    if (m_handle) ::CloseHandle(m_handle);
}

bool NamedMutex::lock(const std::atomic<bool>* stop) {
    if (!enterProcessGate(stop)) return false;
    if (!lockFile(stop)) {
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
// holder's file lock is on Linux.
bool NamedMutex::lockFile(const std::atomic<bool>* stop) {
    const DWORD slice = stop ? static_cast<DWORD>(kPollInterval.count()) : INFINITE;
    for (;;) {
        const DWORD result = ::WaitForSingleObject(m_handle, slice);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return true;
        if (result != WAIT_TIMEOUT) return false;
        if (stop->load()) return false;
    }
}

// The kernel mutex belongs to the thread that took it: lock and unlock on
// one thread, as every holder here does.
void NamedMutex::unlock() {
    ::ReleaseMutex(m_handle);
    leaveProcessGate();
}
