// The About box's caption and text, which every front end shows as they stand.
#pragma once

inline constexpr char kAboutCaption[] = "О программе";
inline constexpr char kAboutText[] =
    "TUNLARK v.1.1 (04.02.2007) \n"
    "\n"
    "© 2007 Tunlark. Все права защищены.\n"
    "\n"
    "http://www.tunlark.example\n"
    "e-mail: support@tunlark.example";
