#include "document/SaveFileSystem.h"

#include <QSaveFile>

namespace {

class RealTarget final : public SaveFileSystem::Target {
public:
    explicit RealTarget(const QString& path) : m_file(path)
    {
        // Writing in place could leave a half-written file behind: never fall back to it.
        m_file.setDirectWriteFallback(false);
    }
    bool Open() override { return m_file.open(QIODevice::WriteOnly); }
    bool Write(const char* data, qint64 size) override { return m_file.write(data, size) == size; }
    bool Flush() override { return m_file.flush(); }
    bool Commit() override { return m_file.commit(); }
    QString ErrorString() const override { return m_file.errorString(); }

private:
    QSaveFile m_file; // discards its temporary file when destroyed uncommitted
};

class RealSaveFileSystem final : public SaveFileSystem {
public:
    std::unique_ptr<Target> CreateTarget(const QString& path) override
    {
        return std::make_unique<RealTarget>(path);
    }
};

SaveFileSystem*& CurrentPointer()
{
    static SaveFileSystem* current = &SaveFileSystem::Real();
    return current;
}

} // namespace

SaveFileSystem& SaveFileSystem::Real()
{
    static RealSaveFileSystem real;
    return real;
}

SaveFileSystem& SaveFileSystem::Current()
{
    return *CurrentPointer();
}

SaveFileSystem::Override::Override(SaveFileSystem& replacement) : m_previous(CurrentPointer())
{
    CurrentPointer() = &replacement;
}

SaveFileSystem::Override::~Override()
{
    CurrentPointer() = m_previous;
}
