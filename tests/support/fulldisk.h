#pragma once

// A disk that takes no more bytes, for the tests of failed writes: while an object lives, every
// write that would make a file of the process grow fails as on a full disk (EFBIG through
// RLIMIT_FSIZE, with SIGXFSZ ignored so that the process goes on). Needs no root and no mount.
// Keep its life short: it holds for the whole process.

#include <csignal>
#include <sys/resource.h>

namespace vinary::testing
{

class FullDisk
{
public:
    FullDisk()
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_valid = ::getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        rlimit none = m_previous;
        none.rlim_cur = 0;
        m_valid = m_valid && ::setrlimit(RLIMIT_FSIZE, &none) == 0;
    }
    ~FullDisk()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    bool isValid() const { return m_valid; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_valid = false;
};

} // namespace vinary::testing
