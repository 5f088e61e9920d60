// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QUrl>

// The maker's home page and the support mailbox.
inline constexpr char kHomePage[] = "https://daro-english.github.io/";
inline constexpr char kSupportMail[] = "support@daro-english.org";

// Hands an address to the desktop's default handler (browser, mail program).
class LinkOpener
{
public:
    virtual ~LinkOpener() = default;
    // Whether the desktop took the address; callers ignore it.
    virtual bool open(const QUrl &url) = 0;
};

class DesktopLinkOpener : public LinkOpener
{
public:
    bool open(const QUrl &url) override;
};
