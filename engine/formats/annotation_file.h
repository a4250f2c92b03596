#pragma once
// The engine's annotation file: a compound file that holds the annotation
// stream in one stream ("Quillmark7"; a reader tries "Quillmark5" first) and
// the standard summary-information property set (ANSI, four VT_LPSTR
// properties: title, subject, author, comments). Texts cross between UTF-16
// and the thread's ANSI code page.
#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class AnnotationFile {
public:
    // The summary texts by the engine property that holds each (768 author,
    // 769 comments, 770 subject, 771 title).
    struct SummaryText {
        int code = 0;
        std::wstring text;
    };

    // Creates (or replaces) the file with the stream's bytes and the four
    // texts given (one missing is written as an empty text). 0,
    // QMK_ErrCreateStorage when the file cannot be made or put in place,
    // QMK_ErrStorageStream when the stream cannot be made or written. The
    // property set's own failures are not reported. Made through Replace: a
    // failure leaves an existing file as it was.
    static int Write(const wchar_t* path, const std::vector<uint8_t>& stream,
                     const std::vector<SummaryText>& summary);

    // Builds a new compound file beside `path` (a temporary name in the same
    // folder), lets `fill` write its contents, commits it and only then moves
    // it over `path`. `fill` answers 0 or an error code; on any failure the
    // new file is removed and the file at `path`, if any, is left untouched.
    // 0, fill's error, QMK_ErrStorageStream when the commit fails, or
    // QMK_ErrCreateStorage when the new file cannot be made or moved.
    static int Replace(const wchar_t* path, const std::function<int(IStorage*)>& fill);

    // Reads the stream's bytes and the summary texts the file holds (none
    // when it has no property set). 0; QMK_ErrInvalidFile for a file that is
    // missing, not a compound file, badly named or without either stream;
    // QMK_ErrFileOpen when it cannot be opened; QMK_ErrStorageStream when
    // its stream cannot be read or the compound file's structure is damaged
    // (CompoundFileCheck: the platform is not given such a file);
    // QMK_ErrOutOfMemory.
    static int Read(const wchar_t* path, std::vector<uint8_t>& stream,
                    std::vector<SummaryText>& summary);

    static const wchar_t kStreamName[];
    static const wchar_t kOlderStreamName[];
};
