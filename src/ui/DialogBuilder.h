#pragma once

#include "config/DialogDescription.h"

#include <QFont>
#include <QRect>
#include <QSize>

class QDialog;
class QWidget;

// Turns a dialog description (built-in or from the language resource file) into Qt controls:
// each control is placed from dialog units measured in the dialog's font and can be found by
// its 16-bit ID. The description replaces the built-in layout entirely.
class DialogBuilder {
public:
    // A new dialog holding the description's controls.
    static QDialog* Build(const DialogDescription& description, QWidget* parent);
    // Gives an existing (empty) dialog the description's caption, font, size and controls, so
    // a dialog class of its own can build itself from any description.
    static void Populate(QDialog* dialog, const DialogDescription& description);

    // The first control with this ID (in description order), or null.
    static QWidget* FindControl(const QWidget* dialog, quint16 id);
    template <class T> static T* FindControlAs(const QWidget* dialog, quint16 id)
    {
        return qobject_cast<T*>(FindControl(dialog, id));
    }
    // The ID a control was made with; -1 for any other widget.
    static int ControlId(const QWidget* control);

    static QFont DialogFont(const DialogDescription& description);
    // Average character width and height of the font, the base of dialog units.
    static QSize BaseUnits(const QFont& font);
    static QRect ToPixels(const QRect& dialogUnits, const QSize& baseUnits);

private:
    static QWidget* CreateControl(const DialogDescription::Control& control, QWidget* parent);
};
