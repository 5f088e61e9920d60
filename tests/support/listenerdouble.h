// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pronunciation/readinglistener.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

// A reading listener for tests. The script is shared with the test: it logs
// the calls ("begin TEXT", "finish TEXT", "cancel"), counts the samples fed
// since begin(), and keeps the report that finish() asked for until the test
// delivers it, with the verdict it chooses and when it chooses, as the real
// listener would: once, on the context's thread, not after cancel() or
// begin(), nor once the context is gone.
class ListenerDouble : public ReadingListener
{
public:
    struct Script
    {
        QStringList calls;
        qsizetype fed = 0;
        quint32 rate = 0;
        QPointer<QObject> context;
        std::function<void(const ReadingCheck &)> done;

        // False when no report is pending.
        bool deliver(const ReadingCheck &check)
        {
            if (!done || !context)
                return false;
            const auto report = std::move(done);
            done = nullptr;
            report(check);
            return true;
        }
    };

    std::shared_ptr<Script> script = std::make_shared<Script>();

    void begin(const QString &text) override
    {
        script->calls << QStringLiteral("begin ") + text;
        script->done = nullptr;
        script->fed = 0;
    }
    void feed(const qint16 *, qsizetype count, quint32 rate) override
    {
        script->fed += count;
        script->rate = rate;
    }
    void finish(const QString &text, QObject *context,
                std::function<void(const ReadingCheck &)> done) override
    {
        script->calls << QStringLiteral("finish ") + text;
        script->context = context;
        script->done = std::move(done);
    }
    void cancel() override
    {
        script->calls << QStringLiteral("cancel");
        script->done = nullptr;
    }
};

// A check of `text` as the listener gives it: one letter of `heard` per typed
// word, H heard, M missed, U unscored; no letters at all, a failed analysis.
inline ReadingCheck readingCheck(const QString &text, const QString &heard)
{
    ReadingCheck check{text, {}, !heard.isEmpty()};
    if (!check.ok)
        return check;
    const QList<TypedWord> words = typedWords(text);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QChar c = i < heard.size() ? heard.at(i) : QLatin1Char('H');
        check.words.append({words[i], c == QLatin1Char('M')   ? WordHeard::Missed
                                      : c == QLatin1Char('U') ? WordHeard::Unscored
                                                              : WordHeard::Heard});
    }
    return check;
}
