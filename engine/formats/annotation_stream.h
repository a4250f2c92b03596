#pragma once
// The header of the engine's annotation stream: the magic, one record per
// engine setting in ascending code order, and the end word; the layers'
// records (LayerRecord) follow it, oldest layer first, as many as its layer
// count record says. The header is the one definition of how each setting
// is saved, shared by its writer and its reader.
//
// A setting record is a dword code and a value in the form of its code:
//   768-771 (summary texts), 4128, 4131 (stamp and button texts), 2081-2091,
//     2093, 2094 (unit labels): a string, written only when not empty;
//   896, 897: the image mapping width and height, written only when not 0;
//   2119, 40960-40962: a 60-byte LOGFONT, always;
//   36761: the number of layer records that follow, always;
//   every other engine property: a dword, always; any other code a reader
//     meets (2092 among them) is a dword as well.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class ByteReader;
class ByteWriter;
class EngineSettings;

class AnnotationStream {
public:
    static constexpr uint32_t kMagic = 36871;
    static constexpr uint32_t kOlderMagic = 36758;  // read as kMagic
    static constexpr uint32_t kSettingsEnd = 36759;

    enum class Form { Number, Text, Font, MappingWidth, MappingHeight, LayerCount };
    static Form FormOf(int code);

    // One setting as read.
    struct Setting {
        int code = 0;
        Form form = Form::Number;
        int number = 0;     // Number and the mapping dimensions
        std::wstring text;  // Text: empty for a record without a string
        LOGFONTA font = {}; // Font: its face always ends in a NUL
    };

    // A header as read and checked; nothing of the engine has changed.
    struct Header {
        std::vector<Setting> settings;  // in the order read, without the layer count
        uint32_t layerCount = 0;        // 0 without a layer count record
    };

    // What the writer takes from the engine.
    struct Source {
        const EngineSettings* settings = nullptr;
        int mappingWidth = 0;
        int mappingHeight = 0;
        int layerCount = 0;
    };

    // Writes the magic, the setting records and the end word. False when
    // the writer failed.
    static bool WriteHeader(const Source& source, ByteWriter& out);
    // Reads the magic (either of the two) and the records up to the end
    // word. False for another magic, a record that does not read whole, or
    // data that ends before the end word.
    static bool ReadHeader(ByteReader& in, Header& header);
};
