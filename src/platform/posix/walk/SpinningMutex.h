#pragma once

#include <pthread.h>

namespace dustrel::posix {

// A mutex that spins a moment before it sleeps. The walk and its read-ahead helpers take one for well under
// a microsecond at a time, thousands of times a second; a thread put to sleep on it waits for the system to
// wake it, tens of microseconds on a virtual machine, which cost a warm walk more than its helpers saved.
class SpinningMutex
{
public:
    SpinningMutex()
    {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
        pthread_mutex_init(&m_mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ~SpinningMutex() { pthread_mutex_destroy(&m_mutex); }
    SpinningMutex(const SpinningMutex&) = delete;
    SpinningMutex& operator=(const SpinningMutex&) = delete;

    void lock() { pthread_mutex_lock(&m_mutex); }
    void unlock() { pthread_mutex_unlock(&m_mutex); }
    bool try_lock() { return pthread_mutex_trylock(&m_mutex) == 0; }

private:
    pthread_mutex_t m_mutex;
};

} // namespace dustrel::posix
