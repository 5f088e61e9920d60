// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/damaged/lessondamage.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <iterator>
#include <set>

namespace {

constexpr qsizetype kJet3PageSize = 2048;
constexpr qsizetype kJet4PageSize = 4096;
constexpr qsizetype kVersionOffset = 0x14;
constexpr qsizetype kCatalogPage = 2;
constexpr uchar kDataPage = 0x01;
constexpr uchar kTableDefinitionPage = 0x02;
// Where a data page names the table definition it belongs to.
constexpr qsizetype kOwnerOffset = 4;

struct Region
{
    QString name;
    std::vector<qsizetype> pages;
    int share; // per mille of the damages
};

qsizetype pageSizeOf(const QByteArray &file)
{
    return file.size() > kVersionOffset && file.at(kVersionOffset) == 0 ? kJet3PageSize : kJet4PageSize;
}

std::vector<Region> regionsOf(const QByteArray &file)
{
    const qsizetype pageSize = pageSizeOf(file);
    std::vector<Region> regions{
        {QStringLiteral("header page"), {}, 170},    {QStringLiteral("catalogue definition"), {}, 145},
        {QStringLiteral("catalogue rows"), {}, 125}, {QStringLiteral("lesson table definitions"), {}, 185},
        {QStringLiteral("lesson rows"), {}, 185},    {QStringLiteral("other pages"), {}, 65},
    };
    for (qsizetype page = 0; page < file.size() / pageSize; ++page) {
        const char *bytes = file.constData() + page * pageSize;
        const uchar type = uchar(bytes[0]);
        size_t region = 5;
        if (page == 0)
            region = 0;
        else if (page == kCatalogPage)
            region = 1;
        else if (type == kTableDefinitionPage)
            region = 3;
        else if (type == kDataPage)
            region = qFromLittleEndian<quint32>(bytes + kOwnerOffset) == kCatalogPage ? 2 : 4;
        regions[region].pages.push_back(page);
    }
    return regions;
}

// The lesson table a page belongs to, by its definition page; 0 for any other page.
qsizetype lessonTableOf(const QByteArray &file, qsizetype page)
{
    const qsizetype pageSize = pageSizeOf(file);
    const auto typeOf = [&](quint64 p) {
        return p > 0 && p < quint64(file.size() / pageSize) ? uchar(file.at(qsizetype(p) * pageSize)) : 0;
    };
    if (page == kCatalogPage)
        return 0;
    if (typeOf(quint64(page)) == kTableDefinitionPage)
        return page;
    if (typeOf(quint64(page)) == kDataPage) {
        const quint32 owner = qFromLittleEndian<quint32>(file.constData() + page * pageSize + kOwnerOffset);
        if (owner != kCatalogPage && typeOf(owner) == kTableDefinitionPage)
            return qsizetype(owner);
    }
    return 0;
}

// A field value that parsers tend to trip over, or any value.
quint32 edgeValue(QRandomGenerator &random, quint32 max)
{
    const quint32 edges[] = {0, 1, max, max - 1, max / 2, max / 2 + 1};
    const quint32 pick = random.bounded(8u);
    return pick < std::size(edges) ? edges[pick] : quint32(random.generate()) & max;
}

LessonDamage damageInPage(QRandomGenerator &random, const QByteArray &file, const QString &region,
                          qsizetype page)
{
    const qsizetype pageSize = pageSizeOf(file);
    const qsizetype start = page * pageSize;
    LessonDamage damage;
    damage.region = region;
    // Mostly the bytes in use: zeros in a page are often just free space.
    std::vector<qsizetype> used;
    for (qsizetype i = 0; i < pageSize; ++i)
        if (file.at(start + i) != 0)
            used.push_back(i);
    qsizetype at = random.bounded(pageSize);
    if (!used.empty() && random.bounded(10) < 7)
        at = used[size_t(random.bounded(qint64(used.size())))];
    damage.offset = start + at;

    const int pick = random.bounded(100);
    if (pick < 35) {
        damage.kind = LessonDamage::Kind::FlipBit;
        damage.value = 1u << random.bounded(8);
    } else if (pick < 50) {
        damage.kind = LessonDamage::Kind::SetByte;
        damage.value = edgeValue(random, 0xFF);
    } else if (pick < 70) {
        damage.kind = LessonDamage::Kind::SetU16;
        damage.value = edgeValue(random, 0xFFFF);
    } else if (pick < 85) {
        damage.kind = LessonDamage::Kind::SetU32;
        damage.value = edgeValue(random, 0xFFFFFFFF);
    } else {
        damage.kind = LessonDamage::Kind::OverwriteRun;
        damage.length = 2 + random.bounded(63);
        const quint32 fills[] = {0x00, 0xFF, 0x100};
        damage.value = fills[random.bounded(3)]; // 0x100: random bytes
    }
    const qsizetype span = damage.kind == LessonDamage::Kind::OverwriteRun ? damage.length
                           : damage.kind == LessonDamage::Kind::SetU32     ? 4
                           : damage.kind == LessonDamage::Kind::SetU16     ? 2
                                                                           : 1;
    if (damage.offset + span <= start + pageSize)
        damage.tableDefinition = lessonTableOf(file, page) * pageSize;
    return damage;
}

} // namespace

QByteArray LessonDamage::applyTo(const QByteArray &intact) const
{
    if (kind == Kind::Truncate)
        return intact.left(offset);
    QByteArray bytes = intact;
    const auto put = [&bytes](qsizetype at, uchar byte) {
        if (at >= 0 && at < bytes.size())
            bytes[at] = char(byte);
    };
    switch (kind) {
    case Kind::FlipBit:
        put(offset, uchar(bytes.at(offset)) ^ uchar(value));
        break;
    case Kind::SetByte:
        put(offset, uchar(value));
        break;
    case Kind::SetU16:
    case Kind::SetU32:
        for (int i = 0; i < (kind == Kind::SetU16 ? 2 : 4); ++i)
            put(offset + i, uchar(value >> (8 * i)));
        break;
    case Kind::OverwriteRun: {
        // The fill's pattern comes from the offset, so a damage is the same every time.
        QRandomGenerator fill{quint32(offset)};
        for (qsizetype i = 0; i < length; ++i)
            put(offset + i, value == 0x100 ? uchar(fill.bounded(256)) : uchar(value));
        break;
    }
    case Kind::Truncate:
        break;
    }
    return bytes;
}

QString LessonDamage::describe() const
{
    const QString at = QStringLiteral("0x%1").arg(offset, 0, 16);
    switch (kind) {
    case Kind::Truncate:
        return QStringLiteral("%1: cut to %2 bytes").arg(region).arg(offset);
    case Kind::FlipBit:
        return QStringLiteral("%1: bit mask 0x%2 flipped at %3").arg(region).arg(value, 0, 16).arg(at);
    case Kind::SetByte:
        return QStringLiteral("%1: byte 0x%2 at %3").arg(region).arg(value, 0, 16).arg(at);
    case Kind::SetU16:
        return QStringLiteral("%1: word 0x%2 at %3").arg(region).arg(value, 0, 16).arg(at);
    case Kind::SetU32:
        return QStringLiteral("%1: double word 0x%2 at %3").arg(region).arg(value, 0, 16).arg(at);
    case Kind::OverwriteRun:
        return QStringLiteral("%1: %2 bytes of %3 from %4")
            .arg(region)
            .arg(length)
            .arg(value == 0x100 ? QStringLiteral("noise")
                                : QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0')))
            .arg(at);
    }
    return {};
}

std::vector<LessonDamage> LessonDamage::plan(const QByteArray &intact, quint32 seed, int total)
{
    QRandomGenerator random(seed);
    std::vector<LessonDamage> damages;
    const qsizetype pageSize = pageSizeOf(intact);

    // Truncations: around every page boundary, inside the header, and anywhere.
    std::set<qsizetype> lengths{0, 1, 4, 19, 20, 21, kVersionOffset + 1, 0x7F, 0x80, 0x98};
    for (qsizetype boundary = pageSize; boundary < intact.size(); boundary += pageSize) {
        lengths.insert(boundary - 1);
        lengths.insert(boundary);
        lengths.insert(boundary + 1);
    }
    const qsizetype truncations = std::max<qsizetype>(qsizetype(lengths.size()), total * 125 / 1000);
    while (qsizetype(lengths.size()) < truncations && qsizetype(lengths.size()) < intact.size())
        lengths.insert(random.bounded(intact.size()));
    for (const qsizetype length : lengths) {
        LessonDamage damage;
        damage.region = QStringLiteral("truncated");
        damage.offset = length;
        damages.push_back(damage);
    }

    const int rest = total - int(damages.size());
    std::vector<Region> regions = regionsOf(intact);
    int shares = 0;
    for (const Region &region : regions)
        shares += region.pages.empty() ? 0 : region.share;
    for (const Region &region : regions) {
        if (region.pages.empty())
            continue;
        const int count = (rest * region.share + shares - 1) / shares;
        for (int i = 0; i < count; ++i) {
            const qsizetype page = region.pages[size_t(random.bounded(qint64(region.pages.size())))];
            damages.push_back(damageInPage(random, intact, region.name, page));
        }
    }
    return damages;
}

std::vector<qsizetype> LessonDamage::lessonDefinitions(const QByteArray &intact)
{
    std::vector<qsizetype> offsets;
    for (const Region &region : regionsOf(intact)) {
        if (region.name == QLatin1String("lesson table definitions")) {
            for (const qsizetype page : region.pages)
                offsets.push_back(page * pageSizeOf(intact));
        }
    }
    return offsets;
}

std::vector<LessonDamage> LessonDamage::sample(const std::vector<LessonDamage> &plan, int count)
{
    if (count <= 0 || size_t(count) >= plan.size())
        return plan;
    std::vector<LessonDamage> picked;
    for (int i = 0; i < count; ++i)
        picked.push_back(plan[size_t(qint64(i) * qint64(plan.size()) / count)]);
    return picked;
}
