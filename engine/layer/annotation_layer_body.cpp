// The layer as it is saved and loaded: its LayerRecord with the body, the
// group section and the items, scrambled with the layer's password when it
// has one. Layout: layer_record.h.
#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <unordered_set>

#include "layer/annotation_layer.h"
#include "formats/byte_stream.h"
#include "layer/layer_host.h"
#include "formats/layer_record.h"
#include "formats/layer_scrambler.h"
#include "objects/shape_annotation.h"

using namespace layer_record;

// A body as read, before anything of the layer changes.
struct AnnotationLayer::LoadedBody {
    bool hasName = false;
    std::wstring name;
    bool hasDescription = false;
    std::wstring description;
    std::vector<std::pair<int, int>> properties;  // the other property records
    bool hasLastGroupId = false;
    int lastGroupId = 0;
    bool hasLastSequence = false;
    int lastSequence = 0;
    std::vector<AnnotationGroup> groups;
    std::vector<std::unique_ptr<Annotation>> items;
};

namespace {

// A buffer for an unscrambled body. Bodies can be megabytes, and fresh memory
// from the system is slow to come by: the largest buffer given back is kept
// for the next one, up to a few megabytes (a load that calls out may start
// another meanwhile, which then takes a buffer of its own).
struct ScratchBytes {
    ScratchBytes()
    {
        AcquireSRWLockExclusive(&lock);
        bytes.swap(kept);
        ReleaseSRWLockExclusive(&lock);
        bytes.clear();
    }
    ~ScratchBytes()
    {
        AcquireSRWLockExclusive(&lock);
        if (bytes.capacity() > kept.capacity() && bytes.capacity() <= kKeptLimit)
            bytes.swap(kept);
        ReleaseSRWLockExclusive(&lock);
    }
    ScratchBytes(const ScratchBytes&) = delete;
    ScratchBytes& operator=(const ScratchBytes&) = delete;

    std::vector<uint8_t> bytes;
    static constexpr size_t kKeptLimit = 4u << 20;
    static SRWLOCK lock;
    static std::vector<uint8_t> kept;
};
SRWLOCK ScratchBytes::lock = SRWLOCK_INIT;
std::vector<uint8_t> ScratchBytes::kept;

bool WriteText(ByteWriter& out, const std::wstring& text)
{
    return out.WriteString(text.data(), text.size());
}

bool WriteGroupField(ByteWriter& out, const AnnotationGroup& group, uint32_t tag)
{
    switch (tag) {
    case kGroupName:
        return group.name.empty() || (out.WriteUInt32(tag) && WriteText(out, group.name));
    case kGroupUserString:
        return group.userString.empty() ||
               (out.WriteUInt32(tag) && WriteText(out, group.userString));
    case kGroupUserLong:
        return group.userLong == 0 || (out.WriteUInt32(tag) && out.WriteInt32(group.userLong));
    case kGroupId:
        return out.WriteUInt32(tag) && out.WriteInt32(group.id);
    case kGroupYoked:
        return out.WriteUInt32(tag) && out.WriteUInt32(group.yoked ? 1 : 0);
    case kGroupSelected:
        return out.WriteUInt32(tag) && out.WriteUInt32(group.selected ? 1 : 0);
    case kGroupRect:
        return out.WriteUInt32(tag) && out.WriteInt32(group.rect.left) &&
               out.WriteInt32(group.rect.top) && out.WriteInt32(group.rect.right) &&
               out.WriteInt32(group.rect.bottom);
    default:
        return false;
    }
}

bool WriteGroup(ByteWriter& out, const AnnotationGroup& group)
{
    if (!out.WriteUInt32(kGroupStart))
        return false;
    for (uint32_t tag : kGroupFields)
        if (!WriteGroupField(out, group, tag))
            return false;
    for (int seq : group.members)
        if (!out.WriteUInt32(kGroupMember) || !out.WriteInt32(seq))
            return false;
    return out.WriteUInt32(kGroupEnd);
}

// One tagged field of a group; a tag the section does not know carries one
// dword, which is passed over. members holds the members already read.
bool ReadGroupField(ByteReader& in, uint32_t tag, AnnotationGroup& group, std::set<int>& members)
{
    bool present = false;
    int32_t value = 0;
    switch (tag) {
    case kGroupName:
        return in.ReadString(group.name, present);
    case kGroupUserString:
        return in.ReadString(group.userString, present);
    case kGroupRect: {
        int32_t edges[4] = {};
        for (int32_t& edge : edges)
            if (!in.ReadInt32(edge))
                return false;
        group.rect = {edges[0], edges[1], edges[2], edges[3]};
        return true;
    }
    default:
        break;
    }
    if (!in.ReadInt32(value))
        return false;
    switch (tag) {
    case kGroupUserLong:
        group.userLong = value;
        break;
    case kGroupId:
        group.id = value;
        break;
    case kGroupYoked:
        group.yoked = value != 0;
        break;
    case kGroupSelected:
        group.selected = value != 0;
        break;
    case kGroupMember:
        // A member named twice is one member.
        if (members.insert(value).second)
            group.members.push_back(value);
        break;
    default:
        break;
    }
    return true;
}

// The group section: every group between kGroupsStart and kGroupsEnd. A group
// needs an id of its own: 0 or an id that an earlier group has is refused.
bool ReadGroups(ByteReader& in, std::vector<AnnotationGroup>& groups)
{
    uint32_t tag = 0;
    if (!in.ReadUInt32(tag) || tag != kGroupsStart)
        return false;
    std::set<int> ids;
    for (;;) {
        if (!in.ReadUInt32(tag))
            return false;
        if (tag == kGroupsEnd)
            return true;
        if (tag != kGroupStart)
            return false;
        AnnotationGroup group;
        std::set<int> members;
        for (;;) {
            if (!in.ReadUInt32(tag))
                return false;
            if (tag == kGroupEnd)
                break;
            if (!ReadGroupField(in, tag, group, members))
                return false;
        }
        if (group.id == 0 || !ids.insert(group.id).second)
            return false;
        groups.push_back(std::move(group));
    }
}

BSTR NewBstr(const std::wstring& text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

} // namespace

// ---- writing ------------------------------------------------------------------------------

bool AnnotationLayer::WriteBody(ByteWriter& out, bool selectionOnly)
{
    const size_t itemCount = selectionOnly ? selection_.size() : items_.size();
    if (!out.WriteUInt32(kBodyStart))
        return false;
    for (const auto& property : properties_) {
        const int code = property.first;
        int value = property.second;
        switch (code) {
        case QMK_LayerName:
            continue;  // in the record's head
        case QMK_LayerDescription:
            if (!description_.empty() &&
                !(out.WriteUInt32(code) && WriteText(out, description_)))
                return false;
            continue;
        case QMK_LayerGroupId:
            value = lastGroupId_;
            break;
        case QMK_LayerSequenceNumber:
            // A reader lifts the number to the highest item's, so one that
            // has wrapped past the top below an item is saved as read back.
            value = lastSequence_;
            for (const auto& item : items_)
                value = std::max(value, item->SequenceNumber());
            break;
        case QMK_LayerItemCount:
            value = static_cast<int>(itemCount);
            break;
        case QMK_LayerGroupCount:
            value = static_cast<int>(groups_.size());
            break;
        default:
            break;
        }
        if (!out.WriteUInt32(code) || !out.WriteInt32(value))
            return false;
    }
    if (!out.WriteUInt32(kPropertiesEnd))
        return false;

    if (!groups_.empty()) {
        if (!out.WriteUInt32(kGroupsStart))
            return false;
        for (const AnnotationGroup& group : groups_)
            if (!WriteGroup(out, group))
                return false;
        if (!out.WriteUInt32(kGroupsEnd))
            return false;
    }

    for (size_t i = 0; i < itemCount; ++i) {
        Annotation& item = selectionOnly ? *selection_[i] : *items_[i];
        if (!out.WriteUInt32(static_cast<uint32_t>(item.Type())) ||
            item.SaveCommon(out) != QMK_NoError)
            return false;
    }
    return !out.Failed();
}

int AnnotationLayer::SaveRecord(ByteWriter& out, bool selectionOnly)
{
    ByteWriter body;
    if (!WriteBody(body, selectionOnly) || body.Size() > 0xFFFFFFFFu)
        return QMK_ErrStorageStream;
    const bool scrambled = !password_.empty();
    uint32_t check = 0;
    std::vector<uint8_t> scrambledBody;
    if (scrambled) {
        scrambledBody = body.Bytes();
        check = LayerScrambler::Scramble(LayerScrambler::KeyOfPassword(password_),
                                         scrambledBody.data(), scrambledBody.size());
    }
    const std::vector<uint8_t>& bytes = scrambled ? scrambledBody : body.Bytes();
    if (!out.WriteUInt32(kStart) || !out.WriteUInt32(kHeadMark) ||
        !out.WriteUInt32(scrambled ? 1 : 0) || !out.WriteUInt32(check) ||
        !out.WriteUInt32(static_cast<uint32_t>(bytes.size())) || !WriteText(out, name_) ||
        !out.WriteBytes(bytes.data(), bytes.size()) || !out.WriteUInt32(kEnd))
        return QMK_ErrStorageStream;
    return QMK_NoError;
}

// ---- reading ---------------------------------------------------------------------------------

int AnnotationLayer::ReadBody(ByteReader& in, LoadedBody& body)
{
    uint32_t word = 0;
    if (!in.ReadUInt32(word) || word != kBodyStart)
        return QMK_ErrStorageStream;

    uint32_t itemCount = 0;
    uint32_t groupCount = 0;
    for (;;) {
        uint32_t code = 0;
        if (!in.ReadUInt32(code))
            return QMK_ErrStorageStream;
        if (code == kPropertiesEnd)
            break;
        if (code == QMK_LayerName || code == QMK_LayerDescription) {
            bool present = false;
            std::wstring& text = code == QMK_LayerName ? body.name : body.description;
            if (!in.ReadString(text, present))
                return QMK_ErrStorageStream;
            (code == QMK_LayerName ? body.hasName : body.hasDescription) = true;
            continue;
        }
        int32_t value = 0;
        if (!in.ReadInt32(value))
            return QMK_ErrStorageStream;
        switch (code) {
        case QMK_LayerGroupId:
            body.hasLastGroupId = true;
            body.lastGroupId = value;
            break;
        case QMK_LayerSequenceNumber:
            body.hasLastSequence = true;
            body.lastSequence = value;
            break;
        case QMK_LayerItemCount:
            itemCount = static_cast<uint32_t>(value);
            break;
        case QMK_LayerGroupCount:
            groupCount = static_cast<uint32_t>(value);
            break;
        default:
            body.properties.emplace_back(static_cast<int>(code), value);
            break;
        }
    }

    if (groupCount != 0 && !ReadGroups(in, body.groups))
        return QMK_ErrStorageStream;

    // Each item takes at least its type and two markers, so a count larger
    // than the data ends at the data's end.
    body.items.reserve(std::min<size_t>(itemCount, in.Remaining() / 12));
    const int seconds = NewObjectSeconds();
    for (uint32_t i = 0; i < itemCount; ++i) {
        uint32_t type = 0;
        if (!in.ReadUInt32(type))
            return QMK_ErrStorageStream;
        if (type == ProtractorTool) {
            // No class of its own: its record is passed over by the common grammar.
            ShapeAnnotation skipped(ProtractorTool, Annotation::AttributeMap());
            if (skipped.LoadCommon(in) != QMK_NoError)
                return QMK_ErrStorageStream;
            continue;
        }
        std::unique_ptr<Annotation> item =
            type <= static_cast<uint32_t>(RulerTool) ? MakeToolObject(static_cast<int>(type)) : nullptr;
        if (!item)
            return QMK_ErrStorageStream;  // no class of this engine reads it
        // A loaded item takes its text and picture from its record only.
        bool changed = false;
        if (item->HasAttribute(QMK_Text)) {
            BSTR empty = SysAllocString(L"");
            item->SetAttribute(QMK_Text, reinterpret_cast<EngineValue>(empty), changed);
            SysFreeString(empty);
        }
        if (item->HasAttribute(QMK_DibPtr))
            item->SetAttribute(QMK_DibPtr, 0, changed);
        item->Link(nullptr, mapping_);
        item->SetCreationTime(seconds);
        if (item->LoadCommon(in) != QMK_NoError)
            return QMK_ErrStorageStream;
        item->Attach();
        body.items.push_back(std::move(item));
    }
    return QMK_NoError;
}

void AnnotationLayer::AppendGroup(const AnnotationGroup& group)
{
    groups_.push_back(group);
    if (group.id > lastGroupId_)
        lastGroupId_ = group.id;
}

void AnnotationLayer::ApplyBody(LoadedBody& body, bool pasting, std::vector<int>* added)
{
    // Nothing is painted or invalidated until the whole body is in; updates
    // come back on every way out.
    struct UpdatesOff {
        explicit UpdatesOff(AnnotationLayer& layer) : layer(layer), was(layer.updates_)
        {
            layer.updates_ = false;
        }
        ~UpdatesOff()
        {
            layer.updates_ = was;
            layer.InvalidateAll();
        }
        AnnotationLayer& layer;
        bool was;
    } updatesOff(*this);
    if (!items_.empty())
        items_.reserve(items_.size() + body.items.size());

    if (!pasting) {
        if (body.hasName) {
            BSTR name = NewBstr(body.name);
            SetProperty(QMK_LayerName, reinterpret_cast<EngineValue>(name));
            SysFreeString(name);
        }
        if (body.hasDescription) {
            BSTR description = NewBstr(body.description);
            SetProperty(QMK_LayerDescription, reinterpret_cast<EngineValue>(description));
            SysFreeString(description);
        }
        for (const auto& property : body.properties)
            SetProperty(property.first, property.second);  // codes the layer lacks are dropped
        if (body.hasLastGroupId)
            lastGroupId_ = body.lastGroupId;
    }

    // The items join the list numbered as AddItem numbers them: a number of
    // their own when it is free, else the next free one after the last. The
    // numbers they were saved with map to the numbers they were given (the
    // first item of a number wins).
    numbersInUse_.Reserve(items_.size() + body.items.size());
    // Only the groups read the numbers the items were saved with.
    const bool renumberGroups = !body.groups.empty();
    std::map<int, int> numbers;
    std::vector<Annotation*> loaded;  // for a paste's groups
    if (pasting)
        loaded.reserve(body.items.size());
    if (added)
        added->reserve(added->size() + body.items.size());
    for (auto& item : body.items) {
        const int saved = item->SequenceNumber();
        int given = saved;
        if (given <= 0 || numbersInUse_.Count(given) != 0) {
            do {
                lastSequence_ = lastSequence_ == INT_MAX ? 1 : lastSequence_ + 1;
            } while (numbersInUse_.Count(lastSequence_) != 0);
            given = lastSequence_;
        } else if (given > lastSequence_) {
            lastSequence_ = given;
        }
        if (renumberGroups)
            numbers.emplace(saved, given);
        item->SetSequenceNumber(given);
        NoteSequenceGiven(given);
        NumberTaken(given);
        item->Link(this, mapping_);
        item->SetCommitted(true);
        if (pasting)
            loaded.push_back(item.get());
        if (added)
            added->push_back(given);
    }
    // The items join the list in their order (a layer without items takes
    // the body's list as it is).
    if (items_.empty())
        items_.swap(body.items);
    else
        for (auto& item : body.items)
            items_.push_back(std::move(item));

    // Pasted groups get new ids after this layer's last one, so that they
    // never take the id of a group the layer has; a pasted item keeps its
    // group only when that group came along.
    std::map<int, int> ids;
    const size_t firstLoadedGroup = groups_.size();
    for (AnnotationGroup& group : body.groups) {
        if (pasting) {
            const int id = NewGroupId();
            if (id == 0)
                continue;
            ids[group.id] = id;
            group.id = id;
        }
        std::vector<int> members;
        for (int seq : group.members) {
            auto it = numbers.find(seq);
            if (it != numbers.end())
                members.push_back(it->second);
            else if (!pasting)
                members.push_back(seq);
        }
        group.members.swap(members);
        AppendGroup(group);
    }
    if (pasting) {
        for (Annotation* item : loaded) {
            auto it = ids.find(item->GroupId());
            item->SetGroupId(it == ids.end() ? 0 : it->second);
        }
    }
    ReconcileGroups(firstLoadedGroup);

    if (!pasting && body.hasLastSequence)
        SetLastSequenceNumber(body.lastSequence);

    std::unordered_set<const Annotation*> selected(selection_.begin(), selection_.end());
    for (const auto& item : items_)
        if (item->IsSelected() && !selected.count(item.get()))
            selection_.push_back(item.get());
}

int AnnotationLayer::LoadRecord(ByteReader& in, bool pasting, std::vector<int>* added)
{
    // The record's frame first, so that a short record is refused before the
    // host is asked for anything.
    uint32_t start = 0, mark = 0, scrambled = 0, check = 0, length = 0, end = 0;
    std::wstring name;
    bool present = false;
    const uint8_t* bodyBytes = nullptr;
    if (!in.ReadUInt32(start) || start != kStart || !in.ReadUInt32(mark) || mark != kHeadMark ||
        !in.ReadUInt32(scrambled) || !in.ReadUInt32(check) || !in.ReadUInt32(length) ||
        !in.ReadString(name, present) || !in.ReadSpan(length, bodyBytes) || !in.ReadUInt32(end))
        return QMK_ErrStorageStream;

    ScratchBytes plain;
    std::wstring password = password_;
    if (scrambled != 0) {
        // The host may free or change the caller's bytes while it is asked:
        // the body to unscramble is copied first, and the reader reads on
        // from a copy of its own.
        plain.bytes.assign(bodyBytes, bodyBytes + length);
        bodyBytes = nullptr;
        in.KeepRest();
        BSTR layerName = NewBstr(name);
        BSTR answer = NewBstr(password);
        const LayerPresence presence = Presence();
        host_.RequestLayerPassword(layerName, &answer);
        password = answer ? std::wstring(answer, SysStringLen(answer)) : std::wstring();
        SysFreeString(answer);
        SysFreeString(layerName);
        if (!presence.StillThere())
            return QMK_ErrInvalidLayer;  // the host deleted this layer meanwhile
        if (password.empty())
            return QMK_ErrInvalidPassword;
        const bool bad = LayerScrambler::Unscramble(LayerScrambler::KeyOfPassword(password), plain.bytes.data(),
                                       plain.bytes.size()) != check;
        if (bad)
            return QMK_ErrInvalidPassword;
        bodyBytes = plain.bytes.data();
    }

    LoadedBody body;
    ByteReader bodyReader(bodyBytes, length);
    const int result = ReadBody(bodyReader, body);
    if (result != QMK_NoError)
        return result;

    if (!pasting) {
        BSTR layerName = NewBstr(name);
        SetProperty(QMK_LayerName, reinterpret_cast<EngineValue>(layerName));
        SysFreeString(layerName);
        password_ = password;
    }
    ApplyBody(body, pasting, added);
    return QMK_NoError;
}
