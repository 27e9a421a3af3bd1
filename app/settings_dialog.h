// Dialog 132 "設定": the eight options as check boxes and radio groups. It shows and
// returns a SettingsValues (a radio group's value is the index of its checked button, -1
// for none) and writes nothing itself: the document stores the values on OK.
#pragma once

#include <QDialog>

#include "document/settings.h"

class QButtonGroup;
class QCheckBox;

namespace quillory {

class CSettingsDialog : public QDialog {
    Q_OBJECT

public:
    // Control ids.
    static constexpr int kAutoExtract = 1000;
    static constexpr int kAutoExtractDesktop = 1005;
    static constexpr int kAutoExtractMyDocuments = 1006;
    static constexpr int kCreateFolder = 1002;
    static constexpr int kUseFolder = 1003;
    static constexpr int kDisplayFolder = 1004;
    static constexpr int kOpenFolder = 1007;  // "展開後にフォルダを開く"
    static constexpr int kKeepDamaged = 1008;  // "壊れたファイルを「.damaged」として残す"
    static constexpr int kOverwriteAlways = 1018;
    static constexpr int kOverwriteNewer = 1019;
    static constexpr int kOverwriteNever = 1010;
    static constexpr int kStartupMyDocuments = 1022;
    static constexpr int kStartupLast = 1023;
    static constexpr int kExtractMyDocuments = 1024;
    static constexpr int kExtractLast = 1025;
    static constexpr int kExtractDesktop = 1026;

    explicit CSettingsDialog(QWidget* parent = nullptr);

    // The members, shown in the controls at once and taken back from them on OK.
    const SettingsValues& values() const { return values_; }
    void setValues(const SettingsValues& values);

    void accept() override;

private:
    void ToControls();
    void FromControls();

    SettingsValues values_;
    QCheckBox* autoExtract_;
    QCheckBox* createFolder_;
    QCheckBox* useFolder_;
    QCheckBox* displayFolder_;
    QCheckBox* openFolder_;
    QCheckBox* keepDamaged_;
    QButtonGroup* autoExtractMethod_;
    QButtonGroup* overwriteInquire_;
    QButtonGroup* startupFolder_;
    QButtonGroup* extractFolder_;
};

}  // namespace quillory
