#include "formats/annotation_stream.h"

#include <oleauto.h>

#include <algorithm>

#include "annotation_engine.h"
#include "formats/byte_stream.h"
#include "settings/engine_settings.h"

namespace {

bool IsTextCode(int code)
{
    return (code >= QMK_SummaryAuthor && code <= QMK_SummaryTitle) ||
           code == QMK_DefaultStampText || code == QMK_DefaultButtonText ||
           (code >= QMK_UnitNameInches && code <= QMK_UnitNameKilometers) ||
           code == QMK_UnitNamePixels || code == QMK_UnitNameTwips;
}

bool IsFontCode(int code)
{
    return code == QMK_DefaultRulerFont || code == QMK_DefaultStampFont ||
           code == QMK_DefaultTextFont || code == QMK_DefaultButtonFont;
}

bool WriteNumber(ByteWriter& out, int code, int value)
{
    return out.WriteUInt32(static_cast<uint32_t>(code)) && out.WriteInt32(value);
}

bool WriteSetting(const AnnotationStream::Source& source, int code, int mapValue, ByteWriter& out)
{
    using Form = AnnotationStream::Form;
    switch (AnnotationStream::FormOf(code)) {
    case Form::Text: {
        EngineValue value = 0;
        source.settings->GetProperty(code, &value);
        BSTR text = reinterpret_cast<BSTR>(value);
        const UINT length = text ? SysStringLen(text) : 0;
        const bool ok = length == 0 || (out.WriteUInt32(static_cast<uint32_t>(code)) &&
                                        out.WriteString(text, length));
        SysFreeString(text);
        return ok;
    }
    case Form::Font: {
        LOGFONTA font = {};
        source.settings->GetProperty(code, reinterpret_cast<EngineValue*>(&font));
        return out.WriteUInt32(static_cast<uint32_t>(code)) && out.WriteBytes(&font, sizeof(font));
    }
    case Form::MappingWidth:
        return source.mappingWidth == 0 || WriteNumber(out, code, source.mappingWidth);
    case Form::MappingHeight:
        return source.mappingHeight == 0 || WriteNumber(out, code, source.mappingHeight);
    case Form::LayerCount:
        return WriteNumber(out, code, source.layerCount);
    case Form::Number:
        break;
    }
    if (code == QMK_UsePaletteMenu) {
        // The map does not follow this flag (it starts at 0 while the flag is
        // on): the live value is what a get answers.
        EngineValue live = 0;
        source.settings->GetProperty(code, &live);
        mapValue = static_cast<int>(live);
    }
    return WriteNumber(out, code, mapValue);
}

bool ReadSetting(ByteReader& in, int code, AnnotationStream::Setting& setting)
{
    using Form = AnnotationStream::Form;
    setting.code = code;
    setting.form = AnnotationStream::FormOf(code);
    bool present = false;
    switch (setting.form) {
    case Form::Text:
        return in.ReadString(setting.text, present);
    case Form::Font:
        if (!in.ReadBytes(&setting.font, sizeof(setting.font)))
            return false;
        setting.font.lfFaceName[LF_FACESIZE - 1] = 0;
        return true;
    default:
        return in.ReadInt32(setting.number);
    }
}

} // namespace

AnnotationStream::Form AnnotationStream::FormOf(int code)
{
    if (IsTextCode(code))
        return Form::Text;
    if (IsFontCode(code))
        return Form::Font;
    switch (code) {
    case QMK_ImageMappingWidth:
        return Form::MappingWidth;
    case QMK_ImageMappingHeight:
        return Form::MappingHeight;
    case QMK_LayerCountSetting:
        return Form::LayerCount;
    default:
        return Form::Number;
    }
}

bool AnnotationStream::WriteHeader(const Source& source, ByteWriter& out)
{
    if (!source.settings || !out.WriteUInt32(kMagic))
        return false;
    std::vector<std::pair<int, int>> map = source.settings->PropertyMap();
    std::sort(map.begin(), map.end());
    for (const auto& entry : map)
        if (!WriteSetting(source, entry.first, entry.second, out))
            return false;
    return out.WriteUInt32(kSettingsEnd);
}

bool AnnotationStream::ReadHeader(ByteReader& in, Header& header)
{
    uint32_t magic = 0;
    if (!in.ReadUInt32(magic) || (magic != kMagic && magic != kOlderMagic))
        return false;
    // Each record takes at least eight bytes, so the loop ends with the data.
    for (;;) {
        uint32_t code = 0;
        if (!in.ReadUInt32(code))
            return false;
        if (code == kSettingsEnd)
            return true;
        Setting setting;
        if (!ReadSetting(in, static_cast<int>(code), setting))
            return false;
        if (setting.form == Form::LayerCount)
            header.layerCount = static_cast<uint32_t>(setting.number);
        else
            header.settings.push_back(std::move(setting));
    }
}
