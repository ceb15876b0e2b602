#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

// The file operations of a save, behind an interface so tests can make any step fail.
//
// A save replaces its target atomically: the bytes go to a new file in the target's folder,
// which replaces the target only on Commit. A Target destroyed without a successful Commit
// leaves the old file untouched. The real implementation stands on QSaveFile: it keeps the
// permissions of the file it replaces and, for a symbolic link, replaces the link's target.
class SaveFileSystem {
public:
    class Target {
    public:
        virtual ~Target() = default;
        virtual bool Open() = 0;
        virtual bool Write(const char* data, qint64 size) = 0;
        virtual bool Flush() = 0;
        // Makes the written bytes the content of the target path.
        virtual bool Commit() = 0;
        // The system's words for the last failure, or empty.
        virtual QString ErrorString() const { return QString(); }
    };

    virtual ~SaveFileSystem() = default;
    virtual std::unique_ptr<Target> CreateTarget(const QString& path) = 0;

    // The file system saves use now: the real one unless an Override is alive.
    static SaveFileSystem& Current();
    static SaveFileSystem& Real();

    // Routes saves to another file system for its lifetime (tests inject failures this way).
    class Override {
    public:
        explicit Override(SaveFileSystem& replacement);
        ~Override();
        Override(const Override&) = delete;
        Override& operator=(const Override&) = delete;

    private:
        SaveFileSystem* m_previous;
    };
};
