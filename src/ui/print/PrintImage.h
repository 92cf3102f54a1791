#pragma once

#include <functional>

class QPixmap;
class QPrinter;
class QWidget;

// Printing lives in a module of its own, loaded only when Print Screen is
// used: most sessions never print, and the printing library would otherwise
// be loaded and relocated with every start.

// Lets the operator choose a printer; false when cancelled.
using ChoosePrinter = std::function<bool(QPrinter &printer)>;

// Asks for a printer (choose, or the system's printer dialog when choose is
// empty) and prints image on one page, as large as fits. False when
// cancelled or when the printer could not start a page.
using PrintImage = bool (*)(const QPixmap &image, QWidget *parent, const ChoosePrinter &choose);

// The name the module exports PrintImage under.
inline constexpr const char PrintImageSymbol[] = "korvexPrintImage";
