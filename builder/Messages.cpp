// Messages: the builder's numbered message boxes.
#include "builder/Messages.h"

namespace tarn {

namespace {
constexpr const char* kErrorTitle = "MAP BUILDER ERROR:";
constexpr const char* kAboutText = "A map builder made by the BIOSIM developers\n"
                                   "QUADRAPLAN MAP BUILDER (tarn)\n"
                                   "*ZEMA ENGINE*\n"
                                   "DEVELOPER VERSION";
} // namespace

bool askOrInform(Builder& b, int code) {
    plat::Dialogs& d = b.dialogs();
    switch (code) {
    case 107:
        d.messageBox("MAP BUILDER MESSAGE:\n", kAboutText, plat::Buttons::Ok);
        break;
    case 112:
        b.edit.quit = d.messageBox("MAP BUILDER: Quit?",
                                   "Do you really want to quit\nMAP Builder?\nNot saved MAPs will be lost",
                                   plat::Buttons::YesNo)
                          ? 1
                          : 0;
        return b.edit.quit == 1;
    case 117:
        return d.messageBox(kErrorTitle, "START NEW MAP ?", plat::Buttons::YesNo);
    default:
        break;
    }
    return false;
}

bool reportError(Builder& b, int code) {
    plat::Dialogs& d = b.dialogs();
    switch (code) {
    case 100:
        d.messageBox(kErrorTitle, "Can Not Open Main Window", plat::Buttons::Ok);
        return false;
    case 119:
        d.messageBox(kErrorTitle, "MAP Builder did not find default DNA\nQUADRAPLAN  will use default DNA",
                     plat::Buttons::Ok);
        return true;
    case 124:
        d.messageBox(kErrorTitle, "Sorry! Could not save DNA?!?", plat::Buttons::Ok);
        return true;
    default:
        return false;
    }
}

} // namespace tarn
