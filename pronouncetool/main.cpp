// SPDX-License-Identifier: GPL-3.0-or-later
// daro-pronounce --text "TEXT" FILE.wav
//
// Which typed words the recogniser could not find in a recording: one line
// per word of TEXT, in order, "WORD<TAB>heard", "missed" or "unscored". The
// same check as the window's, on a wave file instead of the live sound.
#include "pronunciation/pocketsphinxchecker.h"
#include "pronunciation/typedwords.h"
#include "recorder/waveheader.h"
#include "recorder/wavesamples.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kUsageError = 2;
constexpr int kCheckFailed = 1;
// Enough for a header with a few metadata chunks before the samples, as the
// recorder reads it.
constexpr qint64 kHeaderReadLimit = 64 * 1024;
// The samples are read and decoded a piece at a time: an hour of sound
// takes no more memory than a second.
constexpr qint64 kBlock = 256 * 1024;

const char kUsage[] = "usage: daro-pronounce --text TEXT FILE.wav\n";

int fail(int status, const QString &message)
{
    std::fprintf(stderr, "daro-pronounce: %s\n", message.toLocal8Bit().constData());
    return status;
}

const char *heardName(WordHeard heard)
{
    switch (heard) {
    case WordHeard::Heard:
        return "heard";
    case WordHeard::Missed:
        return "missed";
    case WordHeard::Unscored:
        break;
    }
    return "unscored";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString text;
    bool haveText = false;
    QStringList files;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--text") || arg == QLatin1String("-t")) {
            if (args.isEmpty()) {
                std::fputs(kUsage, stderr);
                return fail(kUsageError, QStringLiteral("--text needs the text"));
            }
            text = args.takeFirst();
            haveText = true;
        } else if (arg.startsWith(QLatin1String("--text="))) {
            text = arg.mid(7);
            haveText = true;
        } else if (arg == QLatin1String("--")) {
            files += args;
            args.clear();
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            std::fputs(kUsage, stderr);
            return fail(kUsageError, QStringLiteral("unknown option %1").arg(arg));
        } else {
            files << arg;
        }
    }
    if (!haveText || files.size() != 1) {
        std::fputs(kUsage, stderr);
        return fail(kUsageError, haveText ? QStringLiteral("one wave file, please")
                                          : QStringLiteral("the typed text is missing (--text)"));
    }
    if (text.trimmed().isEmpty())
        return fail(kUsageError, QStringLiteral("the text is empty"));
    const QList<TypedWord> words = typedWords(text);
    if (words.isEmpty())
        return fail(kUsageError, QStringLiteral("the text has no word"));

    const QString &fileName = files.first();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(kUsageError, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
    const QByteArray head = file.read(kHeaderReadLimit);
    const std::optional<WaveInfo> info = parseWaveHeader(head);
    if (!info)
        return fail(kUsageError, QStringLiteral("%1 is not a RIFF/WAVE file").arg(fileName));
    if (!isIntegerPcm(*info)) {
        return fail(kUsageError,
                    QStringLiteral("%1 is not integer PCM of 8, 16, 24 or 32 bits (format %2, %3 bits)")
                        .arg(fileName)
                        .arg(info->formatTag == kWaveFormatExtensible ? info->subFormat : info->formatTag)
                        .arg(info->bitsPerSample));
    }

    // The checker the program's module makes, with the same settings.
    QString error;
    const std::unique_ptr<PocketsphinxChecker> checker = PocketsphinxChecker::load(
        RecogniserModel::installed(), RecogniserSettings(), JudgeThresholds(), &error);
    if (!checker)
        return fail(kCheckFailed, error);
    if (!checker->begin(text))
        return fail(kCheckFailed, QStringLiteral("the recogniser does not take the text"));

    // The data chunk may claim more than the file holds; what is there counts.
    if (!file.seek(info->dataOffset))
        return fail(kUsageError, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString()));
    const qint64 frameBytes = qint64(info->channels) * (info->bitsPerSample / 8);
    qint64 left = info->dataSize;
    bool fed = true;
    while (left >= frameBytes && fed) {
        const QByteArray block = file.read(std::min(left, kBlock - kBlock % frameBytes));
        if (block.isEmpty())
            break;
        left -= block.size();
        const std::vector<qint16> mono = monoSamples(*info, block);
        fed = checker->feed(mono.data(), qsizetype(mono.size()), info->sampleRate);
    }
    // A failed feed leaves the check not ok.
    const ReadingCheck check = checker->finish();
    if (!check.ok)
        return fail(kCheckFailed, QStringLiteral("the recogniser found no way through the text"));

    for (const HeardWord &word : check.words)
        std::printf("%s\t%s\n", word.word.text.toUtf8().constData(), heardName(word.heard));
    return 0;
}
