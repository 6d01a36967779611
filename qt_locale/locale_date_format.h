#pragma once

#include "formats/general_date.h"

namespace kestrin {

// The general date form of the user's LC_TIME locale: its short date with a four-digit
// year, and its long time without a time zone. The C/POSIX locale gives the en-US form.
GeneralDateFormat LocaleGeneralDateFormat();

// The decimal separator of the user's numbers locale.
char LocaleDecimalSeparator();

}  // namespace kestrin
