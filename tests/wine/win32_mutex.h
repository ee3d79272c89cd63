// std::mutex and std::condition_variable, which GoogleTest's headers use and the toolchain's
// "win32" thread model lacks, on Windows' own locks (Vista on). Only the test programs, which
// run on one thread, are built with it.
#pragma once

// The Windows headers as the program itself takes them.
#include "framework/windef.h"

#include <mutex>

namespace std {

class mutex {
public:
    mutex() = default;
    mutex(const mutex&) = delete;
    mutex& operator=(const mutex&) = delete;
    void lock() { AcquireSRWLockExclusive(&m_lock); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&m_lock) != 0; }
    void unlock() { ReleaseSRWLockExclusive(&m_lock); }
    PSRWLOCK native_handle() { return &m_lock; }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};

class condition_variable {
public:
    condition_variable() = default;
    condition_variable(const condition_variable&) = delete;
    condition_variable& operator=(const condition_variable&) = delete;
    void notify_one() { WakeConditionVariable(&m_condition); }
    void notify_all() { WakeAllConditionVariable(&m_condition); }
    template <typename Predicate>
    void wait(unique_lock<mutex>& lock, Predicate ready) {
        while (!ready())
            SleepConditionVariableSRW(&m_condition, lock.mutex()->native_handle(), INFINITE, 0);
    }

private:
    CONDITION_VARIABLE m_condition = CONDITION_VARIABLE_INIT;
};

}  // namespace std
