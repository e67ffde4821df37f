#pragma once

#include "level/document/screen.h"

#include <QDialog>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrin {

// The Screen Properties dialog: edits the eight side links SideScreen(2..9) of the screen on display.
// Links 2 to 5 stand as a cross like the sides of the grid (2 top, 3 left, 4 right, 5 bottom), 6 to 9 in
// a column on the right. Every opening loads the boxes from the links it was given. OK (also Enter) takes
// them only when all eight hold a number an Integer can take, else it names the first bad box and stays
// open; Cancel, Esc and the close box take nothing. The caller applies what OK took.
class ScreenProp : public QDialog {
    Q_OBJECT
public:
    static constexpr int FirstSide = 2;
    static constexpr int LastSide = 9;

    explicit ScreenProp(const SideLinks& links, QWidget* parent = nullptr);

    // The Screen Properties command: opens the dialog modally over `parent` on `links`; the links OK took,
    // none when the dialog was cancelled.
    static std::optional<SideLinks> Edit(const SideLinks& links, QWidget* parent = nullptr);
    // The links as OK took them; as given until then.
    const SideLinks& links() const { return m_links; }

    // The dialog's own box of side link k, 2..9; any other index names no control: failure 340.
    QLineEdit* SideText(int k) const;
    // The small word beside box k that says which side of the grid its link is for: "above", "left",
    // "right", "below", or "extra" for 6 to 9. Any other index: failure 340.
    QLabel* SideName(int k) const;

    void Form_Load();
    void Command1_Click();
    void Command2_Click();

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    QPushButton* Command1;
    QPushButton* Command2;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createControls();
    void addSideText(int k, const QRect& geometry);
    void addSideNames();
    void arrangeTabOrder();

    SideLinks m_links;
    std::array<QLineEdit*, LastSide - FirstSide + 1> m_sideText{};
    std::array<QLabel*, LastSide - FirstSide + 1> m_sideName{};
};

} // namespace tavrin
