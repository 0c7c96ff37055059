#pragma once

namespace platform {

// Primary language id of the system's default locale, in the numbering the
// program compares: 4 Chinese, 17 Japanese, 9 English, 7 German, 18 Korean ...
int SystemPrimaryLanguageId();

// The same mapping for a locale name such as "zh_CN.UTF-8" or "de-DE".
int PrimaryLanguageIdOf(const char* localeName);

} // namespace platform
