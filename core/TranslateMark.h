// Marks a text for Qt's translation tools in code that does not use Qt. The definition is Qt's
// own, so either may come first. The text itself is unchanged: whoever shows it translates it.
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
