// Facts about the program itself that several layers name.
#pragma once

namespace pellucor {

// The program's own home page: <@SYS_SITE_URL> of the templates, and the User-Agent's address.
inline constexpr char16_t kSiteUrl[] = u"https://pellucor.example.org/";

}  // namespace pellucor
