#pragma once

#include <ColumnName.h>
#include <MetaPageJobs.h>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Files for the batch tests, and the editor's own save to compare with.
namespace pagefiles {

inline bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// A page's bytes and modification time, which a page left alone keeps.
struct OnDisk
{
    QByteArray bytes;
    QDateTime modified;

    bool operator==(const OnDisk &) const = default;
};

inline OnDisk StateOf(const QString &path)
{
    return { Read(path), QFileInfo(path).lastModified() };
}

// Writes a page dated an hour back, so that any rewrite shows in its time.
inline bool WriteOld(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return Write(path, bytes) && file.open(QIODevice::ReadWrite)
        && file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
}

// What the editor's Save writes to target after opening page with the Open
// button and typing the given values, as the editor's own page jobs do it.
inline QByteArray SavedByEditor(QByteArray page, const QString &target, const cli::GivenValues &given = {})
{
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(page);
    const auto read = metatags::ReadMetaValues(page, encoding, metatags::ReadOrder::EachOnItsOwn);
    metatags::PerTag<metatags::FieldValue> fields;
    for (const metatags::MetaTag field : metatags::AllMetaTags) {
        const std::optional<QString> &typed = given[field];
        if (typed)
            fields[field] = { *typed, std::nullopt };
        else if (read[field].found())
            fields[field] = read[field].value;
    }
    if (!metatags::SaveMetaPage(target, fields, page, encoding))
        return "(not saved)";
    return Read(target);
}

} // namespace pagefiles
