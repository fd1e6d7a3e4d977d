#pragma once

#include <unistd.h>

#include <utility>

namespace Kadex::Platform {

// The owner of an open file descriptor: closes it when it goes, unless it was closed before.
class UniqueFd
{
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(UniqueFd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other) {
            close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;
    ~UniqueFd() { close(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // Closes the descriptor now, for callers that must know whether the close succeeded (it reports a failed
    // write-back); true when there was nothing to close.
    bool close() { return m_fd < 0 || ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

} // namespace Kadex::Platform
