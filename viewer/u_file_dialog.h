// The system's file-open and file-save dialogs, behind one small class that
// tests replace with one answering by itself.
#pragma once

#include <QString>

class QWidget;

class T_File_Dialog {
public:
    enum class T_Kind { Open, Save };
    explicit T_File_Dialog(T_Kind kind) : Kind(kind) {}
    virtual ~T_File_Dialog() = default;
    // Shows the dialog preset to FileName (no title, no initial folder but
    // the preset's); on OK, FileName is the chosen file's full name. A saved
    // name without extension gets DefaultExt; replacing an existing file is
    // confirmed in the dialog first.
    virtual bool Execute(QWidget* parent);

    T_Kind Kind;
    QString FileName;
    QString Filter;
    QString DefaultExt;
};
