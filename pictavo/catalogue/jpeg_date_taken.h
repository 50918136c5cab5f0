#pragma once
// A quick reader of EXIF DateTimeOriginal for the folder scan: it reads only
// the head of a JPEG file (the segments before the image data) and answers
// only where the file is laid out cleanly, so its answer is the one the full
// metadata reader gives. Anything unusual is left to the full reader.
#include <string>

namespace pictavo {

struct QuickDateTaken {
    enum class Answer { Found, Missing, Unsure };
    Answer answer = Answer::Unsure;
    std::string text;  // the stored text up to its first NUL, when Found
};

// Only for files whose content starts as JPEG; everything else is Unsure.
QuickDateTaken ReadJpegDateTakenQuickly(const std::string& path);

}  // namespace pictavo
