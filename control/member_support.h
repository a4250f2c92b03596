#pragma once
// What the generated IQuillmark member bodies (quillmark_members.inc and
// quillmark_forwarders.cpp) need from the control class. QuillmarkControl
// implements these members; the generated code calls nothing else of it.
//
//   AnnotationEngine* Engine() const
//       The loaded engine, or null while none is loaded.
//   HRESULT ReportError(int engineCode)
//       0 -> S_OK; 1005 -> S_FALSE without error information; any other
//       code -> 0x80040000 + code with an error object carrying its text.
//   bool IsUserMode()
//       The container's ambient UserMode (TRUE when it cannot be read).
//   void NotifyPropertyChanged(DISPID dispid)
//       At design time: mark dirty and send OnChanged(dispid).
//
// How the class takes the generated code:
//   class QuillmarkControl : public comkit::Dispatch<IQuillmark>, ... {
//   public:
//   #include "quillmark_members.inc"   // every IQuillmark method, declared
//       ...
//   };
// The generated bodies of the forwarding and not-yet-implemented members are
// compiled in quillmark_forwarders.cpp, which includes quillmark_control.h;
// the CUSTOM rows of quillmark_member_table.h are the class authors' to
// define. In CMake the DLL takes both halves:
//   target_sources(inkctl7 PRIVATE ${QUILLMARK_MEMBER_SOURCES})
//   target_link_libraries(inkctl7 PRIVATE quillmark_tlb)
// quillmark_tlb carries the TYPELIB resource, the GUIDs and the include paths
// of quillmark.h and these files, so the DLL names no IDL of its own.
#include <windows.h>
#include <oaidl.h>

#include "annotation_engine.h"
#include "control_hold.h"

#include <type_traits>
#include <utility>

namespace quillmark {

// Engine codes the generated bodies report themselves.
constexpr int kErrInvalidContext = 1033;  // no engine loaded
constexpr int kErrNoCurrentLayer = 1004;
constexpr int kErrInvalidLayer = 1013;
constexpr int kErrInvalidTextOrientation = 1040;
constexpr int kErrInvalidTextJustification = 1049;
constexpr int kErrInvalidColorType = 1012;
constexpr int kErrInvalidAttribute = 1015;
constexpr int kErrCreateLayer = 1021;

// The contract, spelled out as an interface the control class satisfies.
// It is never instantiated; the static_assert in quillmark_control.cpp (or any
// translation unit) can check a class against it with MemberSupportCheck.
template <class Control>
struct MemberSupportCheck {
    static constexpr bool value =
        std::is_same<decltype(std::declval<const Control&>().Engine()), AnnotationEngine*>::value &&
        std::is_same<decltype(std::declval<Control&>().ReportError(0)), HRESULT>::value &&
        std::is_same<decltype(std::declval<Control&>().IsUserMode()), bool>::value &&
        std::is_same<decltype(std::declval<Control&>().NotifyPropertyChanged(DISPID{})), void>::value;
};

} // namespace quillmark
