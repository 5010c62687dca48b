// Dialog templates: the .ui files of the resources, loaded at run time so
// that every control keeps its control number as object name.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace velmora {

// Loads the template into host (which gets its caption and a layout around
// it) and returns the template's root widget.
QWidget* LoadTemplate(QWidget* host, const QString& resourcePath);

// A field of a template holds hexadecimal values of at most this many
// characters (a dynamic property; a 16-byte key with spaces is 47).
inline constexpr char kHexCharsProperty[] = "hexChars";

// What every template's fields do, whatever the dialog: hexadecimal fields
// are in the fixed-width font and wide enough for their longest value;
// read-only fields look read-only, show the start of their text and the
// whole as tooltip; editable combos neither insert typed text nor complete
// it. LoadTemplate applies it.
void ApplyFieldConventions(QWidget* root);

// The control with the number id; a template without it is a build fault.
QWidget* FindControl(QWidget* root, int id);

template <class T>
T* Ctl(QWidget* root, int id)
{
    auto* w = qobject_cast<T*>(FindControl(root, id));
    if (!w) qFatal("control %d has the wrong kind", id);
    return w;
}

} // namespace velmora
