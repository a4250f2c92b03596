#include "objects/turned_font.h"

#include "objects/annotation.h"
#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

FontCache* CacheOf(const Annotation& item)
{
    AnnotationOwner* owner = item.Owner();
    UnitNames* settings = owner ? owner->TextSettings() : nullptr;
    return settings ? &settings->Fonts() : nullptr;
}

} // namespace

LOGFONTA TurnedFont::Turned(const LOGFONTA& font, int orientation)
{
    LOGFONTA turned = font;
    turned.lfEscapement = orientation;
    turned.lfOrientation = orientation;
    return turned;
}

bool TurnedFont::HasCache(const Annotation& item) const { return CacheOf(item) != nullptr; }

void TurnedFont::Register(const Annotation& item, const LOGFONTA& key)
{
    if (FontCache* cache = CacheOf(item))
        use_.Register(cache, key);
}

FontEntry* TurnedFont::Get(const Annotation& item, const LOGFONTA& key, const wchar_t* text,
                           int length)
{
    Register(item, key);
    ViewMapping* mapping = item.Mapping();
    if (!use_.Registered() || !mapping)
        return nullptr;
    mapping->EnsureFresh();
    FontEntry* entry =
        use_.Get(mapping->ScaleX(), mapping->ScaleY(), mapping->ResolutionY(), text, length);
    return entry && entry->font ? entry : nullptr;
}

std::wstring TurnedFont::TextOf(const Annotation& item)
{
    const auto it = item.Attributes().find(QMK_Text);
    const BSTR text = it == item.Attributes().end() ? nullptr : it->second.Text();
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

LOGFONTA TurnedFont::FontOf(const Annotation& item)
{
    const auto it = item.Attributes().find(QMK_Logfont);
    LOGFONTA font = {};
    if (it != item.Attributes().end() && it->second.kind() == AttributeValue::Kind::Font)
        font = it->second.Font();
    return font;
}
