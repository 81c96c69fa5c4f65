#include "platform/win/WinUiAutomation.h"

#include "platform/win/WinApi.h"

#include <objbase.h>
#include <oleauto.h>

// The toolchain's headers lack the UI Automation client interfaces: the few
// used are declared here, with placeholders keeping the others' vtable slots.
namespace {

constexpr GUID kClsidAutomation = {0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
constexpr GUID kIidAutomation = {0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
constexpr GUID kIidAutomation2 = {0x34723aff, 0x0c9d, 0x49d0, {0x98, 0x96, 0x7a, 0xb5, 0x2d, 0xf8, 0xcd, 0x8a}};
constexpr GUID kIidTextPattern = {0x32eba289, 0x3583, 0x42c9, {0x9c, 0x59, 0x3b, 0x6d, 0x9a, 0x1e, 0x9b, 0x6a}};
constexpr GUID kIidTextPattern2 = {0x506a921a, 0xfcc9, 0x409f, {0xb2, 0x3b, 0x37, 0xeb, 0x74, 0x10, 0x68, 0x72}};
constexpr int kTextPatternId = 10014;
constexpr int kTextPattern2Id = 10024;
constexpr int kIsPasswordPropertyId = 30019;
constexpr int kTextUnitCharacter = 0;
constexpr int kEndpointStart = 0;

struct AutomationTextRange : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Clone(AutomationTextRange** range) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compare(void*, BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEndpoints(int, void*, int, int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(int unit) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAttribute(int, VARIANT, BOOL, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindText(BSTR, BOOL, BOOL, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeValue(int, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** rectangles) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnclosingElement(void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetText(int, BSTR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(int, int, int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(int endpoint, int unit, int count, int* moved) = 0;
};

struct AutomationTextRangeArray : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE get_Length(int* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetElement(int index, AutomationTextRange** range) = 0;
};

struct AutomationTextPattern : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE RangeFromPoint(POINT, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromChild(void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelection(AutomationTextRangeArray** ranges) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVisibleRanges(AutomationTextRangeArray**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentRange(AutomationTextRange**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SupportedTextSelection(int*) = 0;
};

struct AutomationTextPattern2 : AutomationTextPattern
{
    virtual HRESULT STDMETHODCALLTYPE RangeFromAnnotation(void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaretRange(BOOL* isActive, AutomationTextRange** range) = 0;
};

struct AutomationElement : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(SAFEARRAY**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirst(int, void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAll(int, void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(int, void*, void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(int, void*, void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int property, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValueEx(int, BOOL, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValue(int, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCachedPropertyValueEx(int, BOOL, VARIANT*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPatternAs(int pattern, REFIID iid, void** object) = 0;
};

struct Automation : IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE CompareElements(void*, void*, BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(SAFEARRAY*, SAFEARRAY*, BOOL*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElement(void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElement(AutomationElement** element) = 0;
};

// IUIAutomation fills 58 vtable slots (IUnknown's three included); those of
// IUIAutomation2 follow: AutoSetFocus, ConnectionTimeout, TransactionTimeout,
// each a get and a put.
constexpr int kAutomationSlots = 58;
constexpr int kPutConnectionTimeoutSlot = kAutomationSlots + 3;
constexpr int kPutTransactionTimeoutSlot = kAutomationSlots + 5;

template <typename T>
struct Releaser
{
    T* object = nullptr;
    ~Releaser()
    {
        if (object)
            object->Release();
    }
    T** operator&() { return &object; }
    T* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }
};

// The first rectangle of the range, in screen pixels.
std::optional<QRect> FirstRectangle(AutomationTextRange* range)
{
    SAFEARRAY* rectangles = nullptr;
    if (FAILED(range->GetBoundingRectangles(&rectangles)) || !rectangles)
        return std::nullopt;
    std::optional<QRect> result;
    double* values = nullptr;
    LONG upper = -1;
    SafeArrayGetUBound(rectangles, 1, &upper);
    if (upper >= 3 && SUCCEEDED(SafeArrayAccessData(rectangles, reinterpret_cast<void**>(&values)))) {
        result = QRect(int(values[0]), int(values[1]), qMax(1, int(values[2])), qMax(1, int(values[3])));
        SafeArrayUnaccessData(rectangles);
    }
    SafeArrayDestroy(rectangles);
    return result;
}

// A caret is an empty range, which has no rectangle: the character after it
// gives its place (its left edge), else the one before it (its right edge).
std::optional<QRect> CaretOfRange(AutomationTextRange* caret)
{
    if (const std::optional<QRect> own = FirstRectangle(caret); own && own->width() > 1)
        return QRect(own->left(), own->top(), 1, own->height());
    else if (own)
        return own;
    Releaser<AutomationTextRange> after;
    if (SUCCEEDED(caret->Clone(&after)) && after && SUCCEEDED(after->ExpandToEnclosingUnit(kTextUnitCharacter)))
        if (const std::optional<QRect> next = FirstRectangle(after.object))
            return QRect(next->left(), next->top(), 1, next->height());
    Releaser<AutomationTextRange> before;
    int moved = 0;
    if (SUCCEEDED(caret->Clone(&before)) && before &&
        SUCCEEDED(before->MoveEndpointByUnit(kEndpointStart, kTextUnitCharacter, -1, &moved)) && moved != 0)
        if (const std::optional<QRect> previous = FirstRectangle(before.object))
            return QRect(previous->right() + 1, previous->top(), 1, previous->height());
    return std::nullopt;
}

} // namespace

WinUiAutomation::~WinUiAutomation()
{
    if (automation)
        automation->Release();
    if (comInitialized)
        CoUninitialize();
}

bool WinUiAutomation::Ensure()
{
    if (tried)
        return automation != nullptr;
    tried = true;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialized = SUCCEEDED(init);
    void* object = nullptr;
    if (FAILED(CoCreateInstance(kClsidAutomation, nullptr, CLSCTX_INPROC_SERVER, kIidAutomation, &object)))
        return false;
    automation = static_cast<IUnknown*>(object);
    // Where there is IUIAutomation2 (Windows 8 and later), a program that
    // does not answer holds us up for no longer than the time-out.
    void* second = nullptr;
    if (SUCCEEDED(automation->QueryInterface(kIidAutomation2, &second)) && second) {
        using SetTimeout = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD);
        auto** table = *static_cast<void***>(second);
        reinterpret_cast<SetTimeout>(table[kPutConnectionTimeoutSlot])(second, kTimeoutMs);
        reinterpret_cast<SetTimeout>(table[kPutTransactionTimeoutSlot])(second, kTimeoutMs);
        static_cast<IUnknown*>(second)->Release();
    }
    return true;
}

std::optional<QRect> WinUiAutomation::FocusedCaret()
{
    if (!Ensure())
        return std::nullopt;
    Releaser<AutomationElement> element;
    if (FAILED(static_cast<Automation*>(automation)->GetFocusedElement(&element)) || !element)
        return std::nullopt;
    Releaser<AutomationTextPattern2> second;
    if (SUCCEEDED(element->GetCurrentPatternAs(kTextPattern2Id, kIidTextPattern2, reinterpret_cast<void**>(&second))) &&
        second) {
        BOOL active = FALSE;
        Releaser<AutomationTextRange> caret;
        if (SUCCEEDED(second->GetCaretRange(&active, &caret)) && caret)
            if (const std::optional<QRect> rect = CaretOfRange(caret.object))
                return rect;
    }
    Releaser<AutomationTextPattern> text;
    if (FAILED(element->GetCurrentPatternAs(kTextPatternId, kIidTextPattern, reinterpret_cast<void**>(&text))) || !text)
        return std::nullopt;
    Releaser<AutomationTextRangeArray> selection;
    int count = 0;
    if (FAILED(text->GetSelection(&selection)) || !selection || FAILED(selection->get_Length(&count)) || count < 1)
        return std::nullopt;
    Releaser<AutomationTextRange> first;
    if (FAILED(selection->GetElement(0, &first)) || !first)
        return std::nullopt;
    return CaretOfRange(first.object);
}

bool WinUiAutomation::FocusedIsPassword()
{
    if (!Ensure())
        return false;
    Releaser<AutomationElement> element;
    if (FAILED(static_cast<Automation*>(automation)->GetFocusedElement(&element)) || !element)
        return false;
    VARIANT value;
    VariantInit(&value);
    const bool password = SUCCEEDED(element->GetCurrentPropertyValue(kIsPasswordPropertyId, &value)) &&
                          value.vt == VT_BOOL && value.boolVal == VARIANT_TRUE;
    VariantClear(&value);
    return password;
}
