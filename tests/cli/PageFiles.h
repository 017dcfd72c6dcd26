#pragma once

#include <MetaField.h>
#include <MetaPageJobs.h>

#include <QByteArray>
#include <QFile>
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

// What the editor's Save writes to target after opening page with the Open
// button and typing the given values, as the editor's own page jobs do it.
inline QByteArray SavedByEditor(QByteArray page, const QString &target, const cli::GivenValues &given = {})
{
    const metatags::PageEncoding encoding = metatags::SniffPageEncoding(page);
    const metatags::PageValues read = metatags::ReadMetaValues(page, encoding, metatags::ReadOrder::EachOnItsOwn);
    metatags::MetaFields fields;
    for (const cli::MetaField field : cli::AllMetaFields) {
        const std::optional<QString> &typed = given[cli::IndexOf(field)];
        const std::optional<metatags::FieldValue> &fromPage = read.*cli::ValueIn(field);
        if (typed)
            fields.*cli::FieldIn(field) = { *typed, std::nullopt };
        else if (fromPage)
            fields.*cli::FieldIn(field) = *fromPage;
    }
    if (metatags::SaveMetaPage(target, fields, page, encoding))
        return "(not saved)";
    return Read(target);
}

} // namespace pagefiles
