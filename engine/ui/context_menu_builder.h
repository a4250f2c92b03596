#pragma once
// The context menu of an annotation item: built from the item's tool
// defaults (its attributes, each ticked after the item's value), the
// clipboard and z-order commands that apply to it, and the host's items;
// shown at the cursor; the choice carried out at once and reported to the
// host. Everything goes through the engine's operations by layer handle and
// sequence number, so that what the host does from inside a report or a
// dialog is found out afterwards.
#include "annotation_engine.h"
#include "ui/popup_menu_list.h"

class EngineObject;

class ContextMenuBuilder {
public:
    explicit ContextMenuBuilder(EngineObject& engine) : engine_(engine) {}

    // The items of the menu for an item of a layer; false (list empty) when
    // there is no such item.
    bool Build(int layer, int seq, PopupMenuList& list);
    // Carries out a choice (nothing for all 0) and reports it on the menu channel.
    void Execute(int layer, int seq, const PopupMenuChoice& choice);
    // Builds, tracks at the cursor and carries out.
    void Show(int layer, int seq);

private:
    void AddAttributeItems(int layer, int seq, int type, PopupMenuList& list);
    void AddCommandItems(int layer, int seq, PopupMenuList& list);
    void AddHostItems(PopupMenuList& list);
    // Adds an item with the enabled and visible flags the engine's list keeps
    // under (flagId, flagSubId).
    void AddOwn(PopupMenuList& list, int id, int subId, BSTR caption, int checked, int flagId,
                int flagSubId);
    int ItemValue(int layer, int seq, int code);
    void SetAndRepaint(int layer, int seq, int code, EngineValue value, bool widen);
    void ChooseColour(int layer, int seq, int code);
    void ChooseItemFont(int layer, int seq);

    EngineObject& engine_;
};
