#pragma once
// The options dialog as a real window: a tool bar of six page buttons, the
// pages as sets of controls shown and hidden, track bars, a colour list, the
// list of marks, tooltips for the hints and a link on the About page. Made once at start,
// hidden between uses; its rules are TAboutForm's.
#include <map>
#include <vector>

#include "options/TAboutForm.h"
#include "text/Texts.h"
#include "ui/DialogControls.h"
#include "win32/Raii.h"

namespace velmora {

class OptionsDialog final : public DialogControls {
 public:
  // Client area at 96 DPI; scaled with the DPI of the screen it shows on.
  static constexpr int ClientWidth = 317, ClientHeight = 335;

  explicit OptionsDialog(const TextTable& texts);
  ~OptionsDialog() override;
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  void Connect(TAboutForm& logic) { logic_ = &logic; }

  // The pages (pgc, pctm), the colour list (gcolour), the marks' selected row
  // (lvmarks); track bars otherwise.
  std::int64_t GetPosition(ControlId id) override;
  void SetPosition(ControlId id, std::int64_t position) override;
  void ShowWindow(bool visible) override;
  void SetRows(ControlId id, const std::vector<std::vector<std::string>>& rows) override;
  bool GetMenuPoint(ControlId id, int& x, int& y) override;
  Hwnd DialogWindow() override;

 private:
  struct Placed {
    ControlId id;
    int page;     // index in pgc, or -1 for the frame (tool bar, buttons)
    int subPage;  // index in pctm, or -1
    RECT at;      // left, top, width, height at 96 DPI
    int fontKind;  // 0 normal, 1 bold product label, 2 link
  };

  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool PreTranslate(const MSG& msg) override;
  HWND FirstControl() const override;
  // The colour list: "Custom..." opens the chooser only when chosen (a click,
  // Enter, the list closed up on it), and a cancelled chooser leaves the colour as it was.
  void ColourListEvent(UINT code);
  bool IsCustomChosen(LRESULT before) const;
  void DrawColour(HDC dc, const RECT& area, UINT index, bool selected) const;
  void PaintColourList(HDC dc) const;
  static LRESULT CALLBACK ColourListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
  // The marks list in the palette: its rows (the selected one in the highlight)
  // and its header, whose drawing the list is asked for.
  LRESULT DrawMarkRow(NMLVCUSTOMDRAW& draw) const;
  static ControlId RuleBoxOfColumn(int column);
  void ClickRuleCell(POINT at);
  LRESULT DrawMarksHeader(const NMCUSTOMDRAW& draw) const;
  static LRESULT CALLBACK MarksListProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self) noexcept;
  void PaletteChanged(Palette palette) override;
  HWND Add(ControlId id, const wchar_t* kind, std::string_view text, DWORD style, int page, int subPage, RECT at,
           int fontKind = 0);
  void AddTooltip(ControlId id, std::string_view hint);
  void FillColours();
  void ChooseCustomColour();
  void Layout(int dpi);
  void ShowPages();
  void SetLinkHover(bool over);

  TAboutForm* logic_ = nullptr;
  const TextTable& texts_;
  std::vector<Placed> placed_;
  // Places the page buttons; the client width they need at least.
  int FitPageBar(int dpi);
  int page_ = -1, subPage_ = 0;
  bool linkHover_ = false;
  HWND tooltip_ = nullptr;
  UniqueFont font_, bold_, link_, linkHoverFont_;
  COLORREF custom_[16] = {};
  LRESULT colourBefore_ = 0;  // the colour chosen before, given back when the chooser is cancelled
  LRESULT dropStart_ = 0;     // the selection when the list dropped down
  bool filling_ = false;      // the logic changes the marks list: no selection news for it
};

}  // namespace velmora
