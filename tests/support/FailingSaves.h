// Saves that fail for a reason the system names, each made so that it fails
// as root too: a folder that is a file ("Not a directory"), a full device
// ("No space left on device", when /dev/full is there) and a file size
// limit met half way ("File too large").
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace TestSupport {

struct TFailingSave {
    const char* What;
    QString Path;
    QString Reason;
    bool SizeLimit = false;   // run the save under TFileSizeLimit
};

inline std::vector<TFailingSave> FailingSaves(const QTemporaryDir& dir)
{
    const QString plain = dir.filePath("plain");
    QFile file(plain);
    if (file.open(QIODevice::WriteOnly))
        file.write("x");
    std::vector<TFailingSave> saves{{"folder is a file", plain + "/out.xml", "Not a directory"},
                                    {"size limit", dir.filePath("limited.xml"), "File too large", true}};
    struct stat st {};
    if (::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode))
        saves.push_back({"full device", "/dev/full", "No space left on device"});
    return saves;
}

// A file size limit of `bytes` for the process while it lives (writes past
// it fail with EFBIG instead of a signal).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_Saved);
        m_Signal = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = m_Saved;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_Saved);
        std::signal(SIGXFSZ, m_Signal);
    }

private:
    struct rlimit m_Saved {};
    void (*m_Signal)(int) = nullptr;
};

} // namespace TestSupport
