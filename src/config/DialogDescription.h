#pragma once

#include <QString>

#include <vector>

// A dialog as the language resource file (or the built-in resources) describe it: positions
// and sizes in dialog units, style bits as the dialog templates define them. src/ui/DialogBuilder
// turns it into a real dialog.
struct DialogDescription {
    // Predefined control classes.
    static constexpr int kButton = 0x80;
    static constexpr int kEdit = 0x81;
    static constexpr int kStatic = 0x82;
    static constexpr int kListBox = 0x83;
    static constexpr int kScrollBar = 0x84;
    static constexpr int kComboBox = 0x85;
    // The style bit that says the dialog names its own font.
    static constexpr quint32 kSetFont = 0x40;

    struct Control {
        quint16 id = 0;
        quint32 style = 0;
        quint32 extStyle = 0;
        int systemClass = 0; // one of the predefined classes, 0 for none
        QString className;   // used when systemClass is 0
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        int captionId = 0; // a resource number used as caption, 0 for none
        QString caption;   // used when captionId is 0
    };

    int id = 0;
    quint32 style = 0;
    quint32 extStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    QString caption;
    QString fontName = QStringLiteral("MS Shell Dlg");
    int fontSize = 8; // points
    int fontWeight = 400;
    std::vector<Control> controls; // in tab order

    const Control* FindControl(quint16 controlId) const
    {
        for (const Control& control : controls) {
            if (control.id == controlId)
                return &control;
        }
        return nullptr;
    }
};
