#pragma once
// The forms toolkit on real windows. Every control that shows text is a child window
// whose window text is its caption, so screen readers read the form as a person sees
// it; lines and shapes are painted by the form beneath its children.
#include "app/error_report.h"
#include "forms/backend.h"
#include "forms/form.h"
#include "forms/win32_picture.h"
#include "forms/win32_handles.h"

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace diag::forms {

class Win32Backend final : public Backend {
  public:
    explicit Win32Backend(HINSTANCE instance);
    ~Win32Backend() override;

    void realize(Form& form) override;
    void formChanged(Form& form, Property what) override;
    void controlChanged(Control& control, Property what) override;
    void show(Form& form) override;
    void showModal(Form& form) override;
    void unload(Form& form) override;
    void setTimer(Control& timer, uint32_t intervalMs) override;
    void sendToBack(Control& control) override;
    bool loadPicture(Control& control, const PictureSource& source) override;
    void doEvents() override;
    TwipsSize screenSize() override;
    [[noreturn]] void endProgram() override;

    // The message loop of the program; returns the exit code at WM_QUIT.
    int run();

    // For tests and the message loop.
    static HWND windowOf(const Form& form);
    static HWND windowOf(const Control& control);
    // Pixel rectangle of a control in its form's client area, as the window is created.
    static RECT pixelRect(const Control& control);

  private:
    struct ControlWindow;
    struct FormWindow;
    static LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(FormWindow& fw, UINT msg, WPARAM wParam, LPARAM lParam);
    void registerClass(const FormDesign& design);
    void createWindows(FormWindow& fw);
    void createControl(FormWindow& fw, ControlWindow& cw);
    HFONT font(const FontDesign& design, const FontDesign& formFont);
    void paintForm(FormWindow& fw, HDC dc);
    void drawButton(ControlWindow& cw, const DRAWITEMSTRUCT& di);
    void drawPicture(ControlWindow& cw, const DRAWITEMSTRUCT& di);
    std::shared_ptr<const Picture> decode(const PictureSource& source);
    ControlWindow* controlFromHwnd(FormWindow& fw, HWND hwnd);
    void focusFirst(FormWindow& fw);
    bool dispatchDialogKeys(MSG& msg);

    HINSTANCE instance_;
    std::vector<std::string> registered_;
    std::map<std::tuple<std::string, float, bool>, UniqueFont> fonts_;
    std::map<const Form*, std::unique_ptr<FormWindow>> forms_;
    std::map<std::string, std::shared_ptr<const Picture>> resourcePictures_;
};

// Failures reach the user as a French message box; the program carries on.
class MessageBoxReporter final : public ErrorReporter {
  public:
    void report(const std::exception& error) noexcept override;
};

} // namespace diag::forms
