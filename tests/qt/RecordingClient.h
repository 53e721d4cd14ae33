// An editor-window client that writes every handler call down as one line of text.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/EditorWindow.h"

namespace quiret::testqt {

class RecordingClient : public EditorWindowClient {
 public:
  std::vector<std::string> calls;
  // When set, its text ends every recorded line (state the window reports during the call).
  std::function<std::string()> suffix;

  void Clear() { calls.clear(); }
  int Count(std::string_view prefix) const {
    int n = 0;
    for (const std::string& c : calls) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }

  void WmCreate() override { Add("Create"); }
  void WmSize(int w, int h) override { Add("Size " + std::to_string(w) + " " + std::to_string(h)); }
  void WmPaint() override { Add("Paint"); }
  void WmSetFocus() override { Add("SetFocus"); }
  void WmKillFocus() override { Add("KillFocus"); }
  void WmKeyDown(int vk, int shift) override { Add("KeyDown " + Hex(vk) + " " + std::to_string(shift)); }
  void WmKeyUp(int vk, int shift) override { Add("KeyUp " + Hex(vk) + " " + std::to_string(shift)); }
  void WmChar(unsigned char ch) override { Add("Char " + Hex(ch)); }
  void WmImeResult(std::string_view text) override {
    std::string s = "ImeResult";
    for (unsigned char b : text) s += " " + Hex(b);
    Add(s);
  }
  void WmImeStartComposition() override { Add("ImeStart"); }
  void WmImeEndComposition() override { Add("ImeEnd"); }
  void WmMouseDown(int b, int s, int x, int y) override { Add("MouseDown " + Args(b, s, x, y)); }
  void WmMouseMove(int s, int x, int y) override { Add("MouseMove " + Args(s, x, y)); }
  void WmMouseUp(int b, int s, int x, int y) override { Add("MouseUp " + Args(b, s, x, y)); }
  void WmDoubleClick(int b, int s, int x, int y) override { Add("DoubleClick " + Args(b, s, x, y)); }
  void WmMouseWheel(int delta, int shift) override { Add("Wheel " + Args(delta, shift)); }
  void WmVScroll(int code, int pos) override { Add("VScroll " + Args(code, pos)); }
  void WmHScroll(int code, int pos) override { Add("HScroll " + Args(code, pos)); }
  void WmTimer() override { Add("Timer"); }

 private:
  void Add(std::string s) { calls.push_back(suffix ? s + suffix() : std::move(s)); }
  static std::string Hex(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X", v);
    return buf;
  }
  template <typename... T>
  static std::string Args(T... v) {
    std::string s;
    ((s += (s.empty() ? "" : " ") + std::to_string(v)), ...);
    return s;
  }
};

}  // namespace quiret::testqt
