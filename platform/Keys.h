// DirectInput scan codes, the key numbers used by both programs and stored in their data files.
#pragma once

namespace plat::key {
constexpr int Escape = 1;
constexpr int N1 = 2, N2 = 3, N3 = 4, N4 = 5, N5 = 6, N6 = 7, N7 = 8, N8 = 9, N9 = 10, N0 = 11;
constexpr int Minus = 12, Equals = 13, Back = 14, Tab = 15;
constexpr int Q = 16, W = 17, E = 18, R = 19, T = 20, Y = 21, U = 22, I = 23, O = 24, P = 25;
constexpr int LBracket = 26, RBracket = 27, Return = 28, LControl = 29;
constexpr int A = 30, S = 31, D = 32, F = 33, G = 34, H = 35, J = 36, K = 37, L = 38;
constexpr int Semicolon = 39, Apostrophe = 40, Grave = 41, LShift = 42, Backslash = 43;
constexpr int Z = 44, X = 45, C = 46, V = 47, B = 48, N = 49, M = 50;
constexpr int Comma = 51, Period = 52, Slash = 53, RShift = 54, Multiply = 55, LAlt = 56, Space = 57;
constexpr int Capital = 58;
constexpr int F1 = 59, F2 = 60, F3 = 61, F4 = 62, F5 = 63, F6 = 64, F7 = 65, F8 = 66, F9 = 67, F10 = 68;
constexpr int NumLock = 69, Scroll = 70;
constexpr int Numpad7 = 71, Numpad8 = 72, Numpad9 = 73, Subtract = 74, Numpad4 = 75, Numpad5 = 76;
constexpr int Numpad6 = 77, Add = 78, Numpad1 = 79, Numpad2 = 80, Numpad3 = 81, Numpad0 = 82, Decimal = 83;
constexpr int Oem102 = 86; // the extra key beside left Shift on ISO keyboards
constexpr int F11 = 87, F12 = 88;
constexpr int F13 = 100, F14 = 101, F15 = 102;
constexpr int NumpadEnter = 156, RControl = 157, Divide = 181, SysRq = 183, RAlt = 184, Pause = 197;
constexpr int Home = 199, Up = 200, PageUp = 201, Left = 203, Right = 205, End = 207, Down = 208;
constexpr int PageDown = 209, Insert = 210, Delete = 211;
constexpr int LWin = 219, RWin = 220, Apps = 221;
constexpr int Count = 256; // scan codes are 0..255
} // namespace plat::key
