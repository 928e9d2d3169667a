#pragma once
// Where this program lives on the web and how to reach its maker: the about page's links, the
// "?" menu's home-page and mail commands. The one place to change them.
#include <QString>

namespace TProductAddresses {

inline QString HomePage()
{
    return QStringLiteral("https://framix.vardo.example/");
}
inline QString Documentation()
{
    return QStringLiteral("https://framix.vardo.example/doc/");
}
inline QString Forum()
{
    return QStringLiteral("https://framix.vardo.example/forum/");
}
inline QString ContactMail()
{
    return QStringLiteral("contact@vardo.example");
}

} // namespace TProductAddresses
