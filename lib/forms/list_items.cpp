#include "forms/list_items.h"

namespace forms {

const ItemMessages kListBoxItems = {LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                    LB_GETCOUNT,  LB_GETTEXT,      LB_GETTEXTLEN,   LB_GETCURSEL,
                                    LB_SETCURSEL, LB_GETITEMDATA,  LB_SETITEMDATA};
const ItemMessages kComboBoxItems = {CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                     CB_GETCOUNT,  CB_GETLBTEXT,    CB_GETLBTEXTLEN, CB_GETCURSEL,
                                     CB_SETCURSEL, CB_GETITEMDATA,  CB_SETITEMDATA};

int ItemList::Add(const std::string& text) const
{
    return static_cast<int>(Send(m_.add, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int ItemList::Insert(int index, const std::string& text) const
{
    return static_cast<int>(Send(m_.insert, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())));
}

void ItemList::Remove(int index) const
{
    Send(m_.remove, static_cast<WPARAM>(index));
}

void ItemList::Clear() const
{
    Send(m_.reset);
}

int ItemList::Count() const
{
    return static_cast<int>(Send(m_.count));
}

std::string ItemList::Item(int index) const
{
    LRESULT length = Send(m_.getTextLength, static_cast<WPARAM>(index));
    if (index < 0 || length < 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = Send(m_.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

int ItemList::Current() const
{
    LRESULT index = Send(m_.getCurrent);
    return index < 0 ? -1 : static_cast<int>(index);
}

void ItemList::SetCurrent(int index) const
{
    Send(m_.setCurrent, static_cast<WPARAM>(index));
}

LPARAM ItemList::Data(int index) const
{
    return Send(m_.getData, static_cast<WPARAM>(index));
}

void ItemList::SetData(int index, LPARAM data) const
{
    Send(m_.setData, static_cast<WPARAM>(index), data);
}

int ItemList::AddSorted(const std::string& text) const
{
    int count = Count();
    int at = 0;
    while (at < count && lstrcmpiA(Item(at).c_str(), text.c_str()) <= 0)
        ++at;
    return Insert(at == count ? -1 : at, text);
}

} // namespace forms
