// The status window's toolbar images, drawn by the component itself at run time.
#pragma once

#include <QIcon>

namespace so::toolbar {

constexpr int kImageSize = 16;

QIcon overriddenImage();   // a hand over a point: points held in a state by hand
QIcon maskedImage();       // a struck-out bell: points whose alarms are masked
QIcon statusGroupImage();  // stacked rows: the status group's sections
QIcon sectionsImage();     // a list with a drop mark: the section choice
QIcon configureImage();    // a gear: configure status groups
QIcon helpImage();         // a question mark

}  // namespace so::toolbar
