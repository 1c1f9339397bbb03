// Writing a file whole or not at all, with the system's reason for a
// failure. The bytes go to a temporary file beside the target, which
// replaces the target only once everything was written and flushed; on any
// failure the old file stays as it was and no temporary file is left. A
// target that exists but is not a regular file (a device, a pipe) is written
// in place: it cannot be replaced by a file.
#pragma once

#include <QString>

class TSaveFile {
public:
    explicit TSaveFile(QString path);
    ~TSaveFile();   // a file neither committed nor cancelled is cancelled
    TSaveFile(const TSaveFile&) = delete;
    TSaveFile& operator=(const TSaveFile&) = delete;

    bool Open();
    // Writes all `size` bytes (false after the first failure).
    bool Write(const char* data, qint64 size);
    // Flushes, closes and puts the file in place.
    bool Commit();
    void Cancel();
    // The reason of the first failure, as the system words it ("No space
    // left on device"); empty while nothing failed.
    QString ErrorString() const { return m_Error; }

private:
    bool Fail(int error);

    QString m_Path;
    QByteArray m_Target, m_Temp;   // local file names
    int m_Fd = -1;
    bool m_InPlace = false;
    QString m_Error;
};
