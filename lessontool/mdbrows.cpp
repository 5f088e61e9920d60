// SPDX-License-Identifier: GPL-3.0-or-later
#include "lessontool/mdbrows.h"

#include "lessontool/mdbreader.h"

#include <QFile>

RowStream readLessonFile(const QString &path, const QStringList &tables)
{
    std::vector<std::string> names;
    for (const QString &table : tables)
        names.push_back(table.toStdString());
    PlainRowStreamWriter writer;
    MdbReader::stream(QFile::encodeName(path).toStdString(), names, writer);
    writer.finish();
    RowStream result;
    QString why;
    // The writer only produces valid streams, so this cannot fail.
    parseRowStream(QByteArrayView(writer.bytes().data(), qsizetype(writer.bytes().size())), &result, &why);
    return result;
}
