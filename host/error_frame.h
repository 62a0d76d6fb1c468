// The frame in which the host shows an error of the macro.
#pragma once

#include <string>

#include "errors/errors.h"

// The frame for the error `message`, in code page 932: a line end (which ends
// a line the macro left open), a line "*", the message, and "*" again.
//
// With `showPlace`, and a known place, the line the error arose on follows the
// message: its number, its text from `text` (the text the engine was given,
// into which `place` points) and under it a marker below the place's bytes.
// Leading blanks are dropped and a long line is cut around the place, so the
// two lines stay short; in code page 932 a character's bytes are also the
// columns it takes, which is what lets the marker line up. With `utf8Hint`, a
// line telling how to declare a file as UTF-8 comes last.
std::string ErrorFrame(const std::string& message, const TErrorPlace& place,
                       const std::string& text, bool showPlace, bool utf8Hint);
