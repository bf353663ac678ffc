#pragma once

#include <QString>

class QWidget;

// The common open/save file dialog with the fields of the system's file dialog record, shown
// through tlv::DialogService (so tests answer it).
//
// `Filter` is a list of description|pattern pairs separated by '|', for example
// "Setup files (*.dat)|*.dat|All files (*.*)|*.*". `FilterIndex` counts the pairs from 1
// (0 selects the first). `Flags` uses the dialog record's bits; the ones that change the dialog
// here are OverwritePrompt (confirm before replacing a file; save only). `MaxFileSize` is kept
// but names of any length are returned whole.
class cFileDialog {
public:
    static constexpr int ReadOnlyFlag = 0x1;
    static constexpr int OverwritePrompt = 0x2;
    static constexpr int HideReadOnly = 0x4;
    static constexpr int NoChangeDir = 0x8;

    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString& v) { m_defaultExt = v; }
    QString DialogTitle() const { return m_dialogTitle; }
    void setDialogTitle(const QString& v) { m_dialogTitle = v; }
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& v) { m_fileName = v; }
    QString FileTitle() const { return m_fileTitle; }
    void setFileTitle(const QString& v) { m_fileTitle = v; }
    QString Filter() const { return m_filter; }
    void setFilter(const QString& v) { m_filter = v; }
    short FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(short v) { m_filterIndex = v; }
    int Flags() const { return m_flags; }
    void setFlags(int v) { m_flags = v; }
    QWidget* hWndParent() const { return m_parent; } // not owned
    void sethWndParent(QWidget* v) { m_parent = v; }
    QString InitialDir() const { return m_initialDir; }
    void setInitialDir(const QString& v) { m_initialDir = v; }
    short MaxFileSize() const { return m_maxFileSize; }
    void setMaxFileSize(short v) { m_maxFileSize = v; }

    // Shows the open (true) or save (false) dialog. On success sets FileName to the chosen path
    // and FileTitle to its name without the folder, and returns true; on cancel or failure
    // returns false and changes nothing. A save name typed without extension gets DefaultExt.
    bool Show(bool open);

    // The filter in the dialog record's form: every '|' a NUL, two NULs at the end.
    static QString RecordFilter(const QString& filter);
    // The filter as a Qt filter list ("Setup files (*.dat)" entries separated by ";;"); a
    // description that does not show its pattern gets it added in parentheses. Entries are in
    // pair order; an odd last description gets the pattern "*".
    static QStringList QtFilters(const QString& filter);
    // The text up to its first NUL (the whole text when there is none).
    static QString TrimNulls(const QString& text);

private:
    QString m_defaultExt;
    QString m_dialogTitle;
    QString m_fileName;
    QString m_fileTitle;
    QString m_filter;
    short m_filterIndex = 0;
    int m_flags = 0;
    QWidget* m_parent = nullptr;
    QString m_initialDir;
    short m_maxFileSize = 260;
};
