#include "SaveFile.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TSaveFile::TSaveFile(QString path) : m_Path(std::move(path)), m_Target(QFile::encodeName(m_Path)) {}

TSaveFile::~TSaveFile() { Cancel(); }

bool TSaveFile::Fail(int error)
{
    if (m_Error.isEmpty())
        m_Error = QString::fromLocal8Bit(std::strerror(error));
    Cancel();
    return false;
}

bool TSaveFile::Open()
{
    Cancel();
    m_Error.clear();
    if (m_Target.isEmpty())
        return Fail(ENOENT);
    struct stat st {};
    const bool exists = ::stat(m_Target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        m_InPlace = true;
        m_Fd = ::open(m_Target.constData(), O_WRONLY | O_CLOEXEC);
        return m_Fd >= 0 || Fail(errno);
    }
    // A name of its own in the target's folder, so that the rename never
    // crosses file systems; created with the usual mode (the umask applies),
    // or the old file's.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_Temp = m_Target + ".tmp" + QByteArray::number(qint64(::getpid())) + "-" +
                 QByteArray::number(counter.fetch_add(1));
        m_Fd = ::open(m_Temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_Fd >= 0)
            break;
        if (errno != EEXIST) {
            m_Temp.clear();
            return Fail(errno);
        }
    }
    if (m_Fd < 0) {
        m_Temp.clear();
        return Fail(EEXIST);
    }
    if (exists)
        ::fchmod(m_Fd, st.st_mode & 07777);
    return true;
}

bool TSaveFile::Write(const char* data, qint64 size)
{
    if (m_Fd < 0)
        return Fail(EBADF);
    while (size > 0) {
        const ssize_t written = ::write(m_Fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        data += written;
        size -= written;
    }
    return true;
}

bool TSaveFile::Commit()
{
    if (m_Fd < 0)
        return Fail(EBADF);
    if (!m_InPlace && ::fsync(m_Fd) != 0)
        return Fail(errno);
    const int fd = m_Fd;
    m_Fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        return Fail(error);
    }
    if (!m_InPlace && ::rename(m_Temp.constData(), m_Target.constData()) != 0)
        return Fail(errno);
    m_Temp.clear();
    return true;
}

void TSaveFile::Cancel()
{
    if (m_Fd >= 0) {
        ::close(m_Fd);
        m_Fd = -1;
    }
    if (!m_Temp.isEmpty()) {
        ::unlink(m_Temp.constData());
        m_Temp.clear();
    }
    m_InPlace = false;
}
