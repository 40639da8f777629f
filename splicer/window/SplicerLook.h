#pragma once
// The splicer's look: the Fusion style with a light palette that suits the dark-blue title bar.

class QApplication;

class SplicerLook {
public:
    static void apply(QApplication& app);
    // The window's own touches: headings, bullets, the SPLICE button, the percentage.
    static const char* styleSheet();
};
