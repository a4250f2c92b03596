// The entries of the callback table the client image control calls: each
// takes the control as ctx and forwards to one engine operation, or stores
// what the client tells.
#include "quillmark_control.h"

#include "control_events.h"
#include "wang_import.h"

struct HostEntries {
    static QuillmarkControl* Of(HostContext ctx) { return static_cast<QuillmarkControl*>(ctx); }
    static AnnotationEngine* EngineOf(HostContext ctx) {
        return ctx ? Of(ctx)->Engine() : nullptr;
    }

    static int __stdcall SetHostServices(HostContext ctx, HostServiceTable* services) {
        if (!ctx) return 0;
        QuillmarkControl* control = Of(ctx);
        // A client that takes its table back leaves the engine no service
        // of it to call.
        const bool held = control->hostServices_ != nullptr;
        control->hostServices_ = services;
        if (services || held) control->PushHostServices();
        return 0;
    }

    static int __stdcall SetHostCookie(HostContext ctx, HostCookie cookie) {
        if (ctx) Of(ctx)->hostCookie_ = cookie;
        return 0;
    }

    static int __stdcall PaintAnnotations(HostContext ctx, HDC dc, int, int a, int b,
                                          const RECT* view, const RECT* image) {
        return PaintAnnotationsEx(ctx, 1, dc, 0, a, b, view, image);
    }

    static int __stdcall PaintAnnotationsEx(HostContext ctx, int index, HDC dc, int, int a, int b,
                                            const RECT* view, const RECT* image) {
        AnnotationEngine* engine = EngineOf(ctx);
        if (!engine) return 0;
        engine->SetPaintIndex(index);
        if (Of(ctx)->allowPaint_ == 0) return 0;
        return engine->Paint(dc, view, image, 0, a, b, 0);
    }

    static int __stdcall PaintAnnotationsToDC(HostContext ctx, HDC dc, int a, int b,
                                              const RECT* view, const RECT* image) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->Paint(dc, view, image, 0, a, b, 1) : 0;
    }

    static int __stdcall KeyMessage(HostContext ctx, HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->KeyMessage(window, message, wParam, lParam) : -1;
    }

    static int __stdcall MouseMessage(HostContext ctx, HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->MouseMessage(window, message, wParam, lParam) : -1;
    }

    static int __stdcall SetHostWindow(HostContext ctx, HWND window) {
        if (!ctx) return 0;
        Of(ctx)->hostWindow_ = window;
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->SetHostWindow(window) : 0;
    }

    // After a load: LayerRestored for every layer, then the current layer
    // reported to the client and the host. Every event may change the
    // layers, so the list is taken first and the engine looked up again.
    static int ReportLoad(QuillmarkControl* control) {
        AnnotationEngine* engine = control->Engine();
        if (!engine) return 0;
        std::vector<int> layers;
        for (int layer = engine->GetFirstLayer(); layer != 0; layer = engine->GetNextLayer())
            layers.push_back(layer);
        for (int layer : layers) quillmark::FireLayerRestored(*control, layer);
        return ReportCurrentLayer(control);
    }

    static int ReportCurrentLayer(QuillmarkControl* control) {
        AnnotationEngine* engine = control->Engine();
        if (!engine) return 0;
        const int current = engine->GetCurrentLayer();
        if (current == 0) return 0;
        control->reportedLayer_ = current;
        EngineValue active = 0;
        if (engine->GetLayerProperty(current, QMK_LayerActive, &active) != 0) active = 0;
        control->HostCurrentLayerChanged(static_cast<int>(active));
        return static_cast<int>(quillmark::FireCurrentLayerChange(*control, current));
    }

    // The stream replaces every layer. The engine adds what it loads, so the
    // layers are deleted first; when the stream turns out damaged the layers
    // that were there are loaded back, so nothing is lost.
    static void LoadInPlaceOfAll(AnnotationEngine* engine, const void* data, int length, int a,
                                 int b) {
        void* kept = nullptr;
        const int keptLength = engine->GetLayerCount() > 0 ? engine->SaveAnnotationsToMemory(&kept)
                                                           : 0;
        engine->DeleteAllLayers();
        if (engine->LoadAnnotationsFromMemory(data, length, a, b) != 0 && kept && keptLength > 0)
            engine->LoadAnnotationsFromMemory(kept, keptLength, a, b);
        CoTaskMemFree(kept);
    }

    static int __stdcall LoadTiffTagAnnotations(HostContext ctx, const void* data, int length,
                                                int a, int b, int tag) {
        AnnotationEngine* engine = EngineOf(ctx);
        if (!engine || !data || length <= 0) return 0;
        QuillmarkControl* control = Of(ctx);
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(control));
        EngineValue load = 0;
        if (FAILED(control->defaults_.Get(QMK_LoadAnnotations, &load)) || load == 0) return 0;
        const LONG type = control->tiffAnnotationType_;
        if (type == 0 && tag == kTiffTagWang) {
            // A new page: none of the previous page's annotations stay on it,
            // and the marks read before any damage come in.
            engine->DeleteAllLayers();
            ImportWangAnnotations(engine, data, static_cast<size_t>(length), a, b,
                                  control->preserveWTLayers_);
        } else if (type == 1 && tag == kTiffTagQuillmark)
            LoadInPlaceOfAll(engine, data, length, a, b);
        else
            return static_cast<int>(type);
        return ReportLoad(control);
    }

    static int __stdcall SaveTiffTagAnnotations(HostContext ctx, void** data, int* tag) {
        if (!data) return 0;
        *data = nullptr;
        AnnotationEngine* engine = EngineOf(ctx);
        if (!engine) return 0;
        QuillmarkControl* control = Of(ctx);
        if (control->saveSuppressed_) return 0;
        int result = 0;
        int writtenTag = 0;
        if (control->tiffAnnotationType_ != 0) {
            result = engine->SaveAnnotationsToMemory(data);
            writtenTag = kTiffTagQuillmark;
        } else {
            result = SaveWangAnnotationData(engine, control->preserveWTLayers_, data);
            writtenTag = kTiffTagWang;
        }
        if (tag) *tag = writtenTag;
        return result;
    }

    static int __stdcall ImageRotated(HostContext ctx, int a, int b, float angle) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->ImageRotated(a, b, angle) : 0;
    }
    static int __stdcall ImageMirrored(HostContext ctx, int a, int b) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->ImageMirrored(a, b) : 0;
    }
    static int __stdcall ImageFlipped(HostContext ctx, int a, int b) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->ImageFlipped(a, b) : 0;
    }
    static int __stdcall FocusMessage(HostContext ctx, UINT message) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->FocusMessage(message) : 0;
    }
    static int __stdcall ImageCropped(HostContext ctx, const RECT* crop, int a, int b) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->ImageCropped(crop, a, b) : 0;
    }
    static int __stdcall ImageResized(HostContext ctx, int a, int b) {
        AnnotationEngine* engine = EngineOf(ctx);
        return engine ? engine->ImageResized(a, b) : 0;
    }

    static int __stdcall SaveAnnotationsToVariant(HostContext ctx, VARIANT* a, int* b,
                                                  BSTR* comments, BSTR* author, BSTR* title,
                                                  BSTR* subject) {
        if (!ctx) return 0;
        QuillmarkControl* control = Of(ctx);
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(control));
        AnnotationEngine* engine = control->Engine();
        // 1 when the annotations are in the VARIANT, 0 when the engine could
        // not put them there: an empty VARIANT is no saved set.
        const int saved = engine && engine->GetAnnIntoVariant(a, b) == 0 ? 1 : 0;
        // Each is a new BSTR the client frees (null when the get fails).
        if (author && FAILED(control->get_Author(author))) *author = nullptr;
        if (comments && FAILED(control->get_Comments(comments))) *comments = nullptr;
        if (title && FAILED(control->get_Title(title))) *title = nullptr;
        if (subject && FAILED(control->get_Subject(subject))) *subject = nullptr;
        return saved;
    }

    static int __stdcall LoadAnnotationsFromVariant(HostContext ctx, VARIANT* a, int* b, int* c,
                                                    BSTR* comments, BSTR* author, BSTR* title,
                                                    BSTR* subject) {
        if (!ctx) return 0;
        QuillmarkControl* control = Of(ctx);
        const quillmark::ControlHold hold(static_cast<IQuillmark*>(control));
        // The texts are the loaded set's: one it has not (a null BSTR, the
        // empty text) replaces the text there as "", so that no text of the
        // annotations before stays with these.
        BSTR empty = SysAllocString(L"");
        auto text = [empty](BSTR* given) { return *given ? *given : empty; };
        if (author) control->put_Author(text(author));
        if (comments) control->put_Comments(text(comments));
        if (title) control->put_Title(text(title));
        if (subject) control->put_Subject(text(subject));
        SysFreeString(empty);
        AnnotationEngine* engine = control->Engine();
        if (!engine) return 0;
        const int previous = engine->GetCurrentLayer();
        const int r = engine->SetAnnFromVariant(a, b, c);
        engine = control->Engine();
        if (!engine) return 0;
        const int current = engine->GetCurrentLayer();
        if (r != 0 || current == previous) return current;
        return ReportCurrentLayer(control);
    }

    static int __stdcall ClearAnnotations(HostContext ctx) {
        AnnotationEngine* engine = EngineOf(ctx);
        if (!engine) return 0;
        Of(ctx)->reportedLayer_ = 0;
        return engine->DeleteAllLayers();
    }

    static int __stdcall SetSaveSuppressed(HostContext ctx, unsigned char suppressed) {
        if (ctx) Of(ctx)->saveSuppressed_ = suppressed != 0;
        return 0;
    }
};

HostCallbackTable* FilledHostCallbackTable() {
    static HostCallbackTable table;
    ZeroMemory(&table, sizeof table);
    table.Version = kHostCallbackTableVersion;
    table.SetHostServices = HostEntries::SetHostServices;
    table.SetHostCookie = HostEntries::SetHostCookie;
    table.PaintAnnotations = HostEntries::PaintAnnotations;
    table.PaintAnnotationsEx = HostEntries::PaintAnnotationsEx;
    table.PaintAnnotationsToDC = HostEntries::PaintAnnotationsToDC;
    table.KeyMessage = HostEntries::KeyMessage;
    table.MouseMessage = HostEntries::MouseMessage;
    table.SetHostWindow = HostEntries::SetHostWindow;
    table.LoadTiffTagAnnotations = HostEntries::LoadTiffTagAnnotations;
    table.SaveTiffTagAnnotations = HostEntries::SaveTiffTagAnnotations;
    table.ImageRotated = HostEntries::ImageRotated;
    table.ImageMirrored = HostEntries::ImageMirrored;
    table.ImageFlipped = HostEntries::ImageFlipped;
    table.FocusMessage = HostEntries::FocusMessage;
    table.ImageCropped = HostEntries::ImageCropped;
    table.ImageResized = HostEntries::ImageResized;
    table.SaveAnnotationsToVariant = HostEntries::SaveAnnotationsToVariant;
    table.LoadAnnotationsFromVariant = HostEntries::LoadAnnotationsFromVariant;
    table.ClearAnnotations = HostEntries::ClearAnnotations;
    table.SetSaveSuppressed = HostEntries::SetSaveSuppressed;
    return &table;
}
