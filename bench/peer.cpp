// The confirmation dialog written by hand: a click on "1024 x 768" opens a peer of
// mini_97 made directly with CreateWindowExW and WIC, without our forms model. The same
// top-level window, the same 13 children with the same classes, styles and ids, the same
// pictures decoded and drawn the same way, the same modal show. What the program takes
// beyond this peer is what our toolkit adds.
//
// The dialog's cost depends on the process it opens in: a first child window painted
// in a process costs several times a later one, and every window already there slows
// each window operation. So the main window stands in for the program's: its client
// size and colours, and the same child windows (classes, styles, places, fonts, the
// pictures decoded and shown), so that the dialog opens in the same state as the
// program's. The driver times its start and clicks it as it does the program.
//
// Linked with the program's own resources (assets/diagreso.rc): the same pictures under
// the same RCDATA names, and the same manifest.
#include <windows.h>
#include <objbase.h>

#include <initguid.h> // the WIC class and interface identifiers, defined here
#include <wincodec.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kClientWidth = 1434, kClientHeight = 828; // the main window's client size
constexpr int kDialogWidth = 368, kDialogHeight = 333;  // mini_97: 5520 x 4995 twips, no border
constexpr int kTile = 12;                               // the frame tiles, 180 twips
constexpr wchar_t kPrompt[] = L"Confirmez le test de la résolution en mode \r\n1024 x 768 ?";
constexpr wchar_t kPictureFile[] = L"fc_img_024.gif"; // beside the program, read at each show
constexpr UINT kMaxSide = 8192;

// Colours; the system's own are looked up when used.
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
constexpr COLORREF kShapeColour = RGB(255, 224, 192); // Shape1, where the driver probes the main window
constexpr COLORREF kNoteText = RGB(192, 64, 0), kRed = RGB(255, 0, 0);
constexpr COLORREF kSysText = 0x80000000 | COLOR_WINDOWTEXT, kButtonFace = 0x80000000 | COLOR_BTNFACE;
constexpr COLORREF kTransparent = 0xFFFFFFFF; // a label that lets the window show through
COLORREF resolve(COLORREF c) { return (c & 0x80000000) ? GetSysColor(static_cast<int>(c & 0xFF)) : c; }

// --- pictures ---------------------------------------------------------------------------
// As the program holds them, drawn with StretchDIBits, no GDI object: the main window's
// bitmaps where the exe stores them, the dialog's pictures as 32-bit top-down pixels.
struct Picture {
    std::vector<uint32_t> pixels;
    const BITMAPINFO* dib = nullptr; // a bitmap resource: header, colour table
    const void* dibBits = nullptr;   // and rows
    int width = 0, height = 0;
    explicit operator bool() const { return width > 0; }
};

IWICImagingFactory* gFactory; // made at the dialog's first show, as the program makes its own

IWICImagingFactory* factory() {
    if (!gFactory)
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&gFactory));
    return gFactory;
}

// The resources are our own: an uncompressed DIB of at most 8 bits per pixel, checked
// only for what drawing it needs.
Picture fromBitmap(const BYTE* data, DWORD size) {
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(data);
    if (!data || size < sizeof *h || h->biCompression != BI_RGB || h->biBitCount > 8 || h->biWidth <= 0 ||
        h->biHeight <= 0)
        return {};
    DWORD colours = h->biClrUsed ? h->biClrUsed : 1u << h->biBitCount;
    DWORD at = h->biSize + colours * sizeof(RGBQUAD);
    DWORD stride = (static_cast<DWORD>(h->biWidth) * h->biBitCount + 31) / 32 * 4;
    if (at + stride * static_cast<DWORD>(h->biHeight) > size) return {};
    Picture out;
    out.dib = reinterpret_cast<const BITMAPINFO*>(data);
    out.dibBits = data + at;
    out.width = h->biWidth;
    out.height = h->biHeight;
    return out;
}

Picture decode(IWICBitmapDecoder* decoder) {
    Picture out;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT w = 0, h = 0;
    if (SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) && w > 0 && h > 0 &&
        w <= kMaxSide && h <= kMaxSide && SUCCEEDED(gFactory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom))) {
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
        if (SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(pixels.data()))))
            out = {.pixels = std::move(pixels), .width = static_cast<int>(w), .height = static_cast<int>(h)};
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    return out;
}

Picture fromResource(HINSTANCE instance, const wchar_t* name) {
    if (HRSRC bitmap = FindResourceW(instance, name, MAKEINTRESOURCEW(2) /* RT_BITMAP */))
        return fromBitmap(static_cast<BYTE*>(LockResource(LoadResource(instance, bitmap))),
                          SizeofResource(instance, bitmap));
    HRSRC res = FindResourceW(instance, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res || !factory()) return {};
    auto* data = static_cast<BYTE*>(LockResource(LoadResource(instance, res)));
    DWORD size = SizeofResource(instance, res);
    if (!data || size == 0) return {};
    Picture out;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    if (SUCCEEDED(gFactory->CreateStream(&stream)) && SUCCEEDED(stream->InitializeFromMemory(data, size)) &&
        SUCCEEDED(gFactory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
        out = decode(decoder);
    if (decoder) decoder->Release();
    if (stream) stream->Release();
    return out;
}

Picture fromFile(const wchar_t* path) {
    if (!factory()) return {};
    IWICBitmapDecoder* decoder = nullptr;
    if (FAILED(gFactory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                   &decoder)))
        return {};
    Picture out = decode(decoder);
    decoder->Release();
    return out;
}

// Built-in pictures never change: decoded the first time they are needed, then kept.
struct BuiltIn {
    const wchar_t* name;
    Picture picture;
};

const Picture* builtIn(HINSTANCE instance, BuiltIn& b) {
    if (!b.picture) b.picture = fromResource(instance, b.name); // tried again if it failed
    return b.picture ? &b.picture : nullptr;
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// At the picture's own size, or stretched to w x h with exact pixels.
void drawPicture(HDC dc, const Picture& p, int w, int h) {
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR); // exact pixels for the frame tiles
    if (p.dib) {
        StretchDIBits(dc, 0, 0, w, h, 0, 0, p.width, p.height, p.dibBits, p.dib, DIB_RGB_COLORS, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height; // top-down, as WIC writes rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, 0, 0, w, h, 0, 0, p.width, p.height, p.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, oldMode);
}

HINSTANCE gInstance;
HWND gMain;

// --- the main window ----------------------------------------------------------------------
// Form1's child windows in its creation order (the buttons first, by tab index), in
// pixels. Shapes and lines are painted by the window itself; timers have no window.
enum Font : uint8_t { kArial, kArialBold, kSansSerif };

struct MainChild {
    const wchar_t* cls;
    DWORD style;
    RECT place; // left, top, width, height
    Font font;
    COLORREF back, fore; // labels and buttons; pictures fill with what lies beneath
    const wchar_t* picture;
    bool visible;
    const wchar_t* text;
};

constexpr DWORD kText = SS_NOTIFY | SS_NOPREFIX, kBoxed = kText | WS_BORDER;
constexpr MainChild button(RECT r, const wchar_t* text) {
    return {L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, r, kArial, kWhite, kSysText, nullptr, true, text};
}
constexpr MainChild box(RECT r, const wchar_t* text = L"", DWORD align = SS_CENTER) {
    return {L"STATIC", kBoxed | align, r, kArial, kWhite, kSysText, nullptr, true, text};
}
constexpr MainChild note(RECT r, const wchar_t* text, DWORD align = SS_LEFT) {
    return {L"STATIC", kText | align, r, kArial, kTransparent, kNoteText, nullptr, true, text};
}
constexpr MainChild cross(RECT r) {
    return {L"STATIC", kText | SS_CENTER, r, kArial, kTransparent, kSysText, nullptr, true, L"X"};
}
constexpr MainChild picture(RECT r, const wchar_t* name, const wchar_t* accessibleName = L"") {
    return {L"STATIC", SS_OWNERDRAW | SS_NOTIFY, r, kArial, kWhite, kSysText, name, true, accessibleName};
}

constexpr RECT kShape1{434, 16, 297, 699};
constexpr int kCommand6First = 2; // "1024 x 768", the button the driver clicks
const MainChild kMainChildren[] = {
    button({12, 300, 375, 33}, L"Comment modifier la police de votre Windows"),
    button({470, 148, 123, 85}, L"Revenir à la configuration d'Origine"),
    button({470, 484, 103, 27}, L"1024 x 768"),
    button({600, 540, 103, 27}, L"1366 x 768"),
    button({600, 568, 103, 27}, L"1440 x 900"),
    button({470, 544, 103, 27}, L"1280 x 1024"),
    button({600, 512, 103, 27}, L"1280 x 800"),
    button({600, 484, 103, 27}, L"1280 x 768"),
    button({470, 514, 103, 27}, L"1152 x 864"),
    box({12, 16, 223, 27}, L" La taille de vos caractères est ", SS_LEFTNOWORDWRAP),
    box({248, 16, 137, 27}),
    note({12, 66, 371, 57}, L"Lorsque la résolution de votre écran est trop importante, les polices sont "
                            L"grossies pour que vous arriviez à lire."),
    note({12, 126, 371, 57}, L"La conséquence est que les graphiques sont décalés avec le texte grossi et "
                             L"votre logiciel devient difficile à utiliser."),
    note({12, 190, 371, 57}, L"Si la taille de vos caractère est grossie (Voir fenêtre ci-dessus) vous devez "
                             L"regler la taille des caractères de votre windows à 96 ppp ou 100 %"),
    note({12, 346, 371, 57}, L"Si votre ordinateur est relié à Internet cliquez sur le bouton ci-dessus pour "
                             L"avoir toutes les explications, sinon rendez vous sur le lien :"),
    {L"STATIC", kText | SS_LEFT, {12, 412, 371, 57}, kArialBold, kTransparent, kBlack, nullptr, true,
     L"file:///C:/users/root/AppData/Local/diagreso/decalage.htm"}, // the help page's address
    box({470, 42, 227, 49}, L" La résolution sauvegardée d'origine de votre écran est"),
    box({470, 102, 101, 27}),
    cross({574, 106, 23, 25}),
    box({596, 102, 101, 27}),
    picture({608, 146, 96, 96}, L"IMG_REVERT", L"Revenir à la configuration d'origine"),
    box({470, 296, 227, 29}, L" La résolution actuelle est"),
    box({470, 334, 101, 27}),
    cross({574, 338, 23, 25}),
    box({596, 334, 101, 27}),
    picture({496, 392, 53, 62}, L"IMG_MONITOR_43"),
    picture({610, 390, 72, 62}, L"IMG_MONITOR_WIDE"),
    note({470, 624, 231, 79}, L"Les résolution optimales sont 1024x768 ou 1366x768", SS_CENTER),
    note({802, 392, 199, 97}, L"Testez une des résolutions ci-contre qui se rapprochent le plus de la "
                              L"résolution optimale de votre logiciel de caisse.", SS_RIGHT),
    note({812, 500, 191, 97}, L"Vous pourrez revenir à la première résolution de votre écran en cliquez sur "
                              L"'Revenir à la configfuration d'origine' ", SS_RIGHT),
    note({764, 22, 185, 63}, L"Résolution de votre logiciel en mode classique 1024x768 pixels."),
    picture({956, 20, 64, 64}, L"IMG_ARROW_RIGHT"),
    note({1122, 20, 169, 63}, L"Résolution de votre logiciel en mode élargi 1368x768 pixels."),
    picture({1296, 20, 64, 64}, L"IMG_ARROW_RIGHT"),
    note({18, 590, 121, 83}, L"Résolution verticale de votre logiciel pour les deux modes", SS_CENTER),
    picture({46, 674, 64, 64}, L"IMG_ARROW_DOWN"),
    picture({948, 662, 64, 64}, L"IMG_EXIT", L"Quitter"),
    {L"BUTTON", BS_OWNERDRAW, {794, 738, 73, 63}, kSansSerif, kButtonFace, kSysText, nullptr, false, L"Command1"},
    {L"BUTTON", BS_OWNERDRAW, {772, 744, 95, 29}, kArial, kButtonFace, kSysText, nullptr, false, L"Command4"},
};
constexpr int kMainCount = sizeof kMainChildren / sizeof kMainChildren[0];
HWND gMainWindows[kMainCount];
Picture gMainPictures[kMainCount];
HFONT gMainFonts[3];
constexpr int kMainFirstId = 1000;

// What shows through a child: Shape1 where it lies inside it, the white form elsewhere.
COLORREF beneath(const RECT& p) {
    bool inside = p.left >= kShape1.left && p.top >= kShape1.top && p.left + p.right <= kShape1.left + kShape1.right &&
                  p.top + p.bottom <= kShape1.top + kShape1.bottom;
    return inside ? kShapeColour : kWhite;
}

// The index of a main-window child, or -1.
int mainChildOf(HWND h) {
    for (int i = 0; i < kMainCount; ++i)
        if (gMainWindows[i] == h) return i;
    return -1;
}

void drawButton(const DRAWITEMSTRUCT& item, const MainChild& c) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool pressed = item.itemState & ODS_SELECTED;
    fill(dc, r, resolve(c.back));
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    RECT area = r;
    InflateRect(&area, -4, -3);
    if (pressed) OffsetRect(&area, 1, 1);
    // The caption wrapped and centred on both axes.
    HGDIOBJ old = SelectObject(dc, gMainFonts[c.font]);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, resolve(c.fore));
    RECT measure = area;
    DrawTextW(dc, c.text, -1, &measure, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    int textHeight = measure.bottom - measure.top;
    if (textHeight < area.bottom - area.top) area.top += (area.bottom - area.top - textHeight) / 2;
    DrawTextW(dc, c.text, -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

// --- the dialog -------------------------------------------------------------------------
BuiltIn gIllustration{L"IMG_ILLUSTRATION", {}}, gCancel{L"IMG_CANCEL", {}}, gOk{L"IMG_OK", {}};
BuiltIn gTiles[8] = {{L"IMG_CCBM0", {}}, {L"IMG_CCBM1", {}}, {L"IMG_CCBM2", {}}, {L"IMG_CCBM3", {}},
                     {L"IMG_CCBM4", {}}, {L"IMG_CCBM5", {}}, {L"IMG_CCBM6", {}}, {L"IMG_CCBM7", {}}};

// One child window: where it goes, what it is, what it shows.
struct Child {
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style, exStyle;
    RECT place; // left, top, width, height
    const Picture* picture;
    bool stretch; // frame edges: stretched along their side; corners at their own size
    HWND hwnd;
};

struct Dialog {
    HWND hwnd = nullptr;
    HFONT font = nullptr;
    Picture filePicture; // fc_img_024.gif, this show's
    std::vector<Child> children;
    bool open = false;
};

Dialog gDialog;
constexpr wchar_t kDialogClass[] = L"bench.peer.mini_97";
constexpr int kFirstId = 1000, kLabelId = 1002, kCancelId = 1003, kOkId = 1004;

void closeDialog() {
    // Enabled again before the dialog goes, or the focus would leave the program.
    EnableWindow(gMain, TRUE);
    SetActiveWindow(gMain);
    DestroyWindow(gDialog.hwnd);
}

LRESULT CALLBACK dialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1; // all painted in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT client;
        GetClientRect(h, &client);
        fill(dc, client, kWhite);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        // The prompt is transparent over the white dialog.
        if (reinterpret_cast<HWND>(lp) == GetDlgItem(h, kLabelId)) {
            SetTextColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        for (const Child& c : gDialog.children)
            if (c.hwnd == item.hwndItem) {
                RECT r = item.rcItem;
                fill(item.hDC, r, kWhite); // what a picture leaves uncovered
                if (c.picture)
                    drawPicture(item.hDC, *c.picture, c.stretch ? r.right - r.left : c.picture->width,
                                c.stretch ? r.bottom - r.top : c.picture->height);
                break;
            }
        return TRUE;
    }
    case WM_COMMAND:
        if (HIWORD(wp) == STN_CLICKED && (LOWORD(wp) == kOkId || LOWORD(wp) == kCancelId)) closeDialog();
        return 0;
    case WM_CLOSE:
        closeDialog();
        return 0;
    case WM_DESTROY:
        gDialog.open = false;
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

// The message loop of the program and of a modal show: Tab, arrows and Enter move and
// press in either window as in a dialog box.
void pump(const bool& running) {
    MSG m;
    while (running) {
        if (GetMessageW(&m, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(m.wParam)); // let an outer loop end too
            return;
        }
        HWND root = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
        if (root && (root == gMain || root == gDialog.hwnd) && IsDialogMessageW(root, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

void showDialog() {
    Dialog& d = gDialog;
    // The pictures first: the built-in ones once per program, the file at each show
    // (it may change between shows); the illustration stays when the file cannot serve.
    const Picture* illustration = builtIn(gInstance, gIllustration);
    const Picture* cancel = builtIn(gInstance, gCancel);
    const Picture* ok = builtIn(gInstance, gOk);
    const Picture* tiles[8];
    for (int i = 0; i < 8; ++i) tiles[i] = builtIn(gInstance, gTiles[i]);
    d.filePicture = fromFile(kPictureFile);
    if (d.filePicture) illustration = &d.filePicture;

    // The class is registered at each show and dropped after it, as the program does.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &dialogProc;
    wc.hInstance = gInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kDialogClass;
    if (!RegisterClassExW(&wc)) return;
    // Arial 12 at 96 dpi at every density: the dialog keeps its pixel layout.
    d.font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");

    // Centred on the screen, in twips as the program reckons it.
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x = static_cast<int>(std::lround((sw * 15.0f - kDialogWidth * 15.0f) / 2 / 15.0f));
    int y = static_cast<int>(std::lround((sh * 15.0f - kDialogHeight * 15.0f) / 2 / 15.0f));
    d.hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, kDialogClass, L"Confirmation", WS_POPUP, x, y, kDialogWidth,
                             kDialogHeight, nullptr, nullptr, gInstance, nullptr);
    if (!d.hwnd) {
        DeleteObject(d.font);
        UnregisterClassW(kDialogClass, gInstance);
        return;
    }

    // In tab order, as the program makes them: Text1 first, then the rest as designed.
    constexpr DWORD picture = SS_OWNERDRAW | SS_NOTIFY;
    constexpr int W = kDialogWidth, H = kDialogHeight, T = kTile;
    d.children = {
        {L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, {22, 190, 319, 27}, nullptr, false, nullptr},
        {L"STATIC", L"", picture, 0, {22, 26, 117, 82}, illustration, false, nullptr},
        {L"STATIC", kPrompt, SS_NOTIFY | SS_NOPREFIX | SS_CENTER, 0, {152, 26, 185, 151}, nullptr, false, nullptr},
        {L"STATIC", L"Annuler", picture, 0, {192, 234, 73, 73}, cancel, false, nullptr},
        {L"STATIC", L"Valider", picture, 0, {270, 234, 73, 73}, ok, false, nullptr},
        // The frame: four corners, then the left, top, right and bottom edges.
        {L"STATIC", L"", picture, 0, {0, 0, T, T}, tiles[0], false, nullptr},
        {L"STATIC", L"", picture, 0, {W - T, 0, T, T}, tiles[1], false, nullptr},
        {L"STATIC", L"", picture, 0, {W - T, H - T, T, T}, tiles[2], false, nullptr},
        {L"STATIC", L"", picture, 0, {0, H - T, T, T}, tiles[3], false, nullptr},
        {L"STATIC", L"", picture, 0, {0, T, T, H - 2 * T}, tiles[4], true, nullptr},
        {L"STATIC", L"", picture, 0, {T, 0, W - 2 * T, T}, tiles[5], true, nullptr},
        {L"STATIC", L"", picture, 0, {W - T, T, T, H - 2 * T}, tiles[6], true, nullptr},
        {L"STATIC", L"", picture, 0, {T, H - T, W - 2 * T, T}, tiles[7], true, nullptr},
    };
    int id = kFirstId;
    for (Child& c : d.children) {
        bool hidden = id == kFirstId; // Text1: shown only when a text is asked for
        c.hwnd = CreateWindowExW(c.exStyle, c.cls, c.text, c.style | WS_CHILD | (hidden ? 0 : WS_VISIBLE),
                                 c.place.left, c.place.top, c.place.right, c.place.bottom, d.hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), gInstance, nullptr);
        ++id;
    }
    SendMessageW(d.children[0].hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), FALSE);
    SendMessageW(d.children[2].hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), FALSE);
    // The frame lies behind everything else.
    for (size_t i = 5; i < d.children.size(); ++i)
        SetWindowPos(d.children[i].hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // Modal: the main window is off meanwhile, and the dialog has its own loop.
    EnableWindow(gMain, FALSE);
    d.open = true;
    ShowWindow(d.hwnd, SW_SHOW);
    UpdateWindow(d.hwnd);
    pump(d.open);
    EnableWindow(gMain, TRUE);
    d.hwnd = nullptr;
    d.children.clear();
    d.filePicture = {};
    DeleteObject(d.font);
    UnregisterClassW(kDialogClass, gInstance);
}

// --- the main window's procedure ------------------------------------------------------------
LRESULT CALLBACK mainProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_GETMINMAXINFO: {
        // The window is wider than a 1280-pixel screen and must keep its size.
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMaxTrackSize.x = mm->ptMaxSize.x = 4096;
        mm->ptMaxTrackSize.y = mm->ptMaxSize.y = 4096;
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // all painted in WM_PAINT
    case WM_PAINT: {
        // White, Shape1, and the three red rulers.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT client, shape{kShape1.left, kShape1.top, kShape1.left + kShape1.right, kShape1.top + kShape1.bottom};
        GetClientRect(h, &client);
        fill(dc, client, kWhite);
        fill(dc, shape, kShapeColour);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
        SetDCPenColor(dc, kRed);
        const POINT rulers[][2] = {{{1024, 0}, {1024, 738}}, {{1368, 0}, {1368, 738}}, {{0, 738}, {1368, 738}}};
        for (const auto& line : rulers) {
            MoveToEx(dc, line[0].x, line[0].y, nullptr);
            LineTo(dc, line[1].x, line[1].y);
            SetPixel(dc, line[1].x, line[1].y, kRed); // LineTo stops short of the end point
        }
        SelectObject(dc, oldPen);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        int i = mainChildOf(reinterpret_cast<HWND>(lp));
        if (i < 0 || kMainChildren[i].picture) break;
        HDC dc = reinterpret_cast<HDC>(wp);
        const MainChild& c = kMainChildren[i];
        SetTextColor(dc, resolve(c.fore));
        if (c.back == kTransparent) {
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        SetBkColor(dc, resolve(c.back));
        SetDCBrushColor(dc, resolve(c.back));
        return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        int i = mainChildOf(item.hwndItem);
        if (i < 0) return TRUE;
        const MainChild& c = kMainChildren[i];
        if (!c.picture) {
            drawButton(item, c);
        } else {
            fill(item.hDC, item.rcItem, beneath(c.place));
            const Picture& p = gMainPictures[i];
            if (p) drawPicture(item.hDC, p, p.width, p.height);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (lp && reinterpret_cast<HWND>(lp) == gMainWindows[kCommand6First] &&
            (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == BN_DOUBLECLICKED) && !gDialog.open)
            showDialog();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    gInstance = instance;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    // Decoded before the window is made, as the program does with its own.
    for (int i = 0; i < kMainCount; ++i)
        if (kMainChildren[i].picture) gMainPictures[i] = fromResource(instance, kMainChildren[i].picture);
    auto font = [](int height, int weight, const wchar_t* face) {
        return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
    };
    gMainFonts[kArial] = font(-16, FW_NORMAL, L"Arial");
    gMainFonts[kArialBold] = font(-16, FW_BOLD, L"Arial");
    gMainFonts[kSansSerif] = font(-11, FW_NORMAL, L"MS Sans Serif");

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &mainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, L"IDI_DIAGRESO", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CXICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"IDI_DIAGRESO", IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CXSMICON),
                                               LR_DEFAULTCOLOR));
    wc.lpszClassName = L"bench.peer";
    RegisterClassExW(&wc);
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_CONTROLPARENT);
    int w = r.right - r.left, h = r.bottom - r.top;
    gMain = CreateWindowExW(WS_EX_CONTROLPARENT, L"bench.peer",
                            L"Diagnostic de la résolution de votre Logiciel de Caisse", style, 0, 0, w, h, nullptr,
                            nullptr, instance, nullptr);
    // The system shrank it to the screen at creation; sized again, as the program does.
    SetWindowPos(gMain, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int i = 0; i < kMainCount; ++i) {
        const MainChild& c = kMainChildren[i];
        gMainWindows[i] = CreateWindowExW(0, c.cls, c.text, c.style | WS_CHILD | (c.visible ? WS_VISIBLE : 0),
                                          c.place.left, c.place.top, c.place.right, c.place.bottom, gMain,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMainFirstId + i)),
                                          instance, nullptr);
        SendMessageW(gMainWindows[i], WM_SETFONT, reinterpret_cast<WPARAM>(gMainFonts[c.font]), FALSE);
    }
    ShowWindow(gMain, SW_SHOW);
    UpdateWindow(gMain);
    SetForegroundWindow(gMain);
    SetFocus(gMainWindows[0]); // the first in tab order
    bool running = true;
    pump(running);
    return 0;
}
