#pragma once

#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

// Files for tests: what one holds (nothing when it cannot be read), writing
// one whole or stopping the test; and real file-system failures, undone when
// the object goes.

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

#ifdef Q_OS_WIN

// The file held open the way another program holds it, letting others do
// only what sharing allows (0: nothing; FILE_SHARE_READ | FILE_SHARE_WRITE:
// read and write, but not delete or replace), until the object goes.
class HeldOpen
{
public:
    HeldOpen(const QString &path, DWORD sharing)
        : m_handle(CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ, sharing,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            qFatal("cannot hold %s open", qPrintable(path));
    }
    ~HeldOpen() { CloseHandle(m_handle); }
    HeldOpen(const HeldOpen &) = delete;
    HeldOpen &operator=(const HeldOpen &) = delete;

private:
    HANDLE m_handle;
};

// Every user's file permissions count here already.
struct HonourPermissions
{
    HonourPermissions() {}
};

#else

// Writes past `bytes` fail the way a full disk does (EFBIG instead of a signal).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit small{bytes, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

// File permissions count for this thread even when it runs as root: CI does,
// and root would otherwise read a file whose mode forbids it.
class HonourPermissions
{
public:
    HonourPermissions()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~HonourPermissions() { syscall(SYS_capset, &m_header, m_saved); }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
};

#endif
