#pragma once
// The recording stand-in for the annotation engine, for the control's tests.
// Built as inkcore7.dll (exports Ann_Init at ordinal 1 and Ann_Deinit at
// ordinal 2 like the engine, plus the named FakeEngine_ functions below); a
// test loads it first itself, from the same file the control will load, so
// that its state lives as long as the test and the functions below reach it.
//
// Every call of the engine is logged as one line "Name(arg,arg,...)":
// numbers in decimal; for SetProperty the strings of string codes in quotes
// (null as null) and the LOGFONT of font codes as {face,height,weight,
// charset}; LOGFONT attributes (11) of tools, items and elements likewise,
// their text attributes (10, 640, 1281) and layer names and descriptions in
// quotes;
// PrgSetItemPoint's point as {x,y}; RegisterCallback's function as fn or null.
// Ann_Init is logged as
// Ann_Init(hwnd,unused) and Ann_Deinit as Ann_Deinit.
#include <windows.h>

#include "annotation_engine.h"

extern "C" {
typedef void(__cdecl* FakeEngineResetFn)();
typedef int(__cdecl* FakeEngineLogCountFn)();
typedef const char*(__cdecl* FakeEngineLogLineFn)(int index);
// Ann_Init gives no engine while set.
typedef void(__cdecl* FakeEngineSetInitFailsFn)(int fails);
// The result of a slot (0 unless set).
typedef void(__cdecl* FakeEngineSetResultFn)(int slot, int result);
// What a slot writes through its out arguments: words handed out in order,
// one to each int or EngineValue, two to a POINT, four to a RECT, one (its
// low byte) to a byte flag; none (count 0) to stop.
typedef void(__cdecl* FakeEngineSetOutsFn)(int slot, const int* words, int count);
// A slot that, each time it is called, reports an item change (1, 2, 3) on
// the registered ItemChanged channel before it answers; -1 for none.
typedef void(__cdecl* FakeEngineReportChangeOnFn)(int slot);
// What GetProperty(code) answers: a number, or a string (a new BSTR each time).
typedef void(__cdecl* FakeEngineSetPropertyFn)(int code, EngineValue value);
typedef void(__cdecl* FakeEngineSetPropertyTextFn)(int code, const wchar_t* text);
// What GetLayerProperty(any layer, code) answers.
typedef void(__cdecl* FakeEngineSetLayerPropertyFn)(int code, EngineValue value);
// What GetTool answers.
typedef void(__cdecl* FakeEngineSetToolFn)(int tool);
// What the LOGFONT gets (GetToolAttribute, ElementGetAttribute,
// PrgGetItemAttribute of attribute 11) answer.
typedef void(__cdecl* FakeEngineSetLogFontFn)(const LOGFONTA* font);
// The function registered on a channel (null when none), and the host cookie
// of the last Ann_Init.
typedef void*(__cdecl* FakeEngineCallbackFn)(int channel);
typedef HostCookie(__cdecl* FakeEngineCookieFn)();
// Engines made by Ann_Init and not yet given to Ann_Deinit.
typedef int(__cdecl* FakeEngineLiveCountFn)();
}
