#include "PtyServer.h"

#include "ByteText.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr auto SplitGap = std::chrono::milliseconds(5);

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

PtyServer::PtyServer(const SimOptions &options, SimDevice &device) : m_options(options), m_device(device) {}

PtyServer::~PtyServer()
{
    if (m_linkMade) {
        // Only our own link: another simulator may have taken the name over.
        char target[PATH_MAX];
        const ssize_t n = ::readlink(m_options.linkPath.c_str(), target, sizeof target);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_slavePath)
            ::unlink(m_options.linkPath.c_str());
    }
    hangUp();
}

bool PtyServer::open(std::string &error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        error = systemError("cannot create a pseudo-terminal");
        return false;
    }
    char name[PATH_MAX];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        error = systemError("cannot unlock the pseudo-terminal");
        return false;
    }
    m_slavePath = name;

    // Holding the slave open keeps the line up while the program closes and
    // reopens the port for every operation, and keeps the raw settings: the
    // terminal would otherwise be reset on the next open. Raw mode has to be
    // in place before the first byte, or bytes would be translated and
    // echoed back as if they were replies.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0) {
        error = systemError("cannot open " + m_slavePath);
        return false;
    }
    ::cfmakeraw(&tio);
    if (::tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        error = systemError("cannot make " + m_slavePath + " raw");
        return false;
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError("cannot make the pseudo-terminal non-blocking");
        return false;
    }

    // A real serial port drops what arrives while no program has it open.
    // With our own slave descriptor held, the pseudo-terminal would keep
    // those bytes for the next opener instead, so we count the host's opens
    // and closes: what is pending at the last close is discarded, and what
    // comes due while the line is closed is never sent. Discarding at the
    // next open instead would race with the host's first read. Without the
    // watch the simulator still works.
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0 && ::inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE) < 0) {
        std::fprintf(stderr, "korvex-sim: %s\n",
                     systemError("cannot watch " + m_slavePath + "; stale replies survive a reopen").c_str());
        ::close(m_inotify);
        m_inotify = -1;
    }

    if (!m_options.linkPath.empty()) {
        const std::string &link = m_options.linkPath;
        struct stat st
        {
        };
        if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            error = "will not replace " + link + ": it exists and is not a symbolic link";
            return false;
        }
        // Made beside the final name and renamed over it, so the link never
        // disappears for a program that is looking for it.
        const std::string temp = link + ".korvex-sim-" + std::to_string(::getpid());
        ::unlink(temp.c_str());
        if (::symlink(m_slavePath.c_str(), temp.c_str()) != 0 || ::rename(temp.c_str(), link.c_str()) != 0) {
            error = systemError("cannot make the link " + link);
            ::unlink(temp.c_str());
            return false;
        }
        m_linkMade = true;
    }
    return true;
}

bool PtyServer::run(const volatile std::sig_atomic_t &stopRequested, const sigset_t &waitMask,
                    std::string &error)
{
    while (!stopRequested) {
        const auto now = Clock::now();
        const bool sendNow = !m_out.empty() && m_out.front().due <= now;

        pollfd fds[2];
        nfds_t count = 0;
        int masterSlot = -1;
        int inotifySlot = -1;
        if (m_master >= 0) {
            masterSlot = static_cast<int>(count);
            fds[count++] = {m_master,
                            static_cast<short>((m_hangupPending ? 0 : POLLIN) | (sendNow ? POLLOUT : 0)), 0};
        }
        if (m_inotify >= 0) {
            inotifySlot = static_cast<int>(count);
            fds[count++] = {m_inotify, POLLIN, 0};
        }

        // Sleep until input, writability or the next reply's time: never spin.
        timespec timeout{};
        const timespec *timeoutPtr = nullptr;
        if (!m_out.empty() && !sendNow) {
            const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(m_out.front().due - now);
            timeout.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
            timeout.tv_nsec = static_cast<long>(wait.count() % 1000000000);
            timeoutPtr = &timeout;
        }
        if (::ppoll(fds, count, timeoutPtr, &waitMask) < 0) {
            if (errno == EINTR)
                continue;
            error = systemError("waiting on the line failed");
            return false;
        }
        if (inotifySlot >= 0 && (fds[inotifySlot].revents & POLLIN))
            watchOpens();

        if (masterSlot >= 0 && (fds[masterSlot].revents & (POLLIN | POLLERR | POLLHUP)) && !m_hangupPending &&
            !receive(error))
            return false;
        // Again after reading and before answering, so that the open which
        // came before a command just read is counted before its answer is sent.
        if (inotifySlot >= 0)
            watchOpens();
        if (!transmit(error))
            return false;
        if (m_hangupPending && m_out.empty() && m_master >= 0) {
            log("-- hanging up the line");
            hangUp();
        }
    }
    return true;
}

bool PtyServer::receive(std::string &error)
{
    unsigned char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return true;
        error = systemError("reading the line failed");
        return false;
    }

    if (!hostOnOurLine())
        return true;
    const auto now = Clock::now();
    for (ssize_t i = 0; i < n && !m_hangupPending; ++i) {
        // Paced, a byte has arrived only once the line has carried it: a
        // command is complete, and can be answered, a byte time after the
        // byte before it, however fast the terminal passed it on.
        if (m_options.pace)
            m_inboundFree = std::max(m_inboundFree, now) + byteTime();
        const Clock::time_point arrived = m_options.pace ? m_inboundFree : now;
        // The cable is pulled once N commands are done; the host finds out
        // with its next transmission, after it has had every reply it was due.
        if (m_options.hangupAfter > 0 && m_commands >= m_options.hangupAfter) {
            m_hangupPending = true;
            break;
        }
        const auto command = m_parser.feed(buffer[i]);
        if (!command)
            continue;
        if (const std::string ignored = m_parser.takeIgnored(); !ignored.empty())
            log("<- ignored " + ByteText::render(ignored));
        log("<- " + ByteText::render(command->raw, command->kind == Command::Write
                                                       ? ByteText::Scancode::InWrite
                                                       : ByteText::Scancode::None));

        if (const auto reply = m_device.handle(*command))
            m_out.push_back(Pending{arrived + std::chrono::milliseconds(reply->delayMs) +
                                        (m_options.pace ? byteTime() : Clock::duration::zero()),
                                    reply->bytes, 0,
                                    command->kind == Command::Read ? ByteText::Scancode::InReply
                                                                   : ByteText::Scancode::None});
        else
            log("-- no reply");
        ++m_commands;
    }
    if (const std::string ignored = m_parser.takeIgnored(); !ignored.empty())
        log("<- ignored " + ByteText::render(ignored));
    // Tells a silent device from one that still waits for the rest of a frame.
    if (!m_parser.pending().empty())
        log("<- so far " + ByteText::render(m_parser.pending()));
    return true;
}

PtyServer::Clock::duration PtyServer::byteTime() const
{
    // 8 data bits, 2 stop bits and the start bit.
    constexpr long long BitsPerByte = 11;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(BitsPerByte * 1000000000LL / m_options.line.baud));
}

bool PtyServer::hostOnOurLine()
{
    // The host's settings are the terminal's: a real device would get these
    // bytes framed at another rate or parity and see noise.
    termios tio{};
    if (::tcgetattr(m_slave, &tio) != 0)
        return true;
    const std::pair<int, speed_t> speeds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                              {9600, B9600},   {19200, B19200},  {38400, B38400},
                                              {57600, B57600}, {115200, B115200}};
    int baud = 0;
    for (const auto &[rate, speed] : speeds) {
        if (::cfgetospeed(&tio) == speed)
            baud = rate;
    }
    const char parity = !(tio.c_cflag & PARENB) ? 'N' : (tio.c_cflag & PARODD) ? 'O' : 'E';
    if (baud == m_options.line.baud && parity == m_options.line.parity)
        return true;
    log("<- noise: the host is at " + std::to_string(baud) + "," + parity + ", the line at " +
        std::to_string(m_options.line.baud) + "," + m_options.line.parity);
    return false;
}

bool PtyServer::transmit(std::string &error)
{
    // First in, first out: a held-back reply also holds back the ones after
    // it, as a device that answers its commands one by one would.
    while (m_master >= 0 && !m_out.empty()) {
        const auto now = Clock::now();
        Pending &front = m_out.front();
        if (front.due > now)
            return true;
        if (m_inotify >= 0 && m_hostOpens == 0) {
            log("-> lost, the host has the line closed: " +
                ByteText::render(front.bytes.substr(front.sent),
                                 front.sent == 0 ? front.scancode : ByteText::Scancode::None));
            m_out.pop_front();
            continue;
        }
        const std::size_t length =
            m_options.splitReplies || m_options.pace ? 1 : front.bytes.size() - front.sent;
        const ssize_t n = ::write(m_master, front.bytes.data() + front.sent, length);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return true;
            error = systemError("writing the line failed");
            return false;
        }
        front.sent += static_cast<std::size_t>(n);
        if (front.sent == front.bytes.size()) {
            log("-> " + ByteText::render(front.bytes, front.scancode));
            m_out.pop_front();
        } else if (m_options.pace) {
            front.due += byteTime(); // each byte a byte time after the one before
        } else if (m_options.splitReplies) {
            front.due = now + SplitGap;
        }
    }
    return true;
}

void PtyServer::watchOpens()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Lost count: rather deliver a stale byte than drop a reply.
                m_hostOpens = 1;
            } else if (event->mask & IN_OPEN) {
                ++m_hostOpens;
                log("-- line opened by the host");
            } else if ((event->mask & IN_CLOSE) && m_hostOpens > 0 && --m_hostOpens == 0) {
                ::tcflush(m_slave, TCIFLUSH);
                log("-- line closed by the host");
            }
        }
    }
}

void PtyServer::hangUp()
{
    for (int *fd : {&m_master, &m_slave, &m_inotify}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_out.clear();
}

void PtyServer::log(const std::string &line) const
{
    if (m_options.log)
        std::fprintf(stderr, "korvex-sim: %s\n", line.c_str());
}
