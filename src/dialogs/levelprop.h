#pragma once

#include "level/document/module1.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tavrin {

class MultiLineLevelText;

// The Level Properties dialog: edits the seven level properties. Every opening loads the boxes from the
// properties it was given. OK takes them only when every box holds something the level can keep, else it
// names the first bad box and stays open; Cancel, Esc and the close box take nothing. The caller applies
// what OK took.
//
// Texts keep what the level holds: a property longer than its box's limit is shown in full (the box
// then takes no more than that), and the multi-line boxes show the level's CR LF line breaks as
// lines and give them back as CR LF.
class LevelProp : public QDialog {
    Q_OBJECT
public:
    // Characters the one-line text boxes and the multi-line boxes take. A line break counts as the two
    // characters (CR LF) it takes in the level.
    static constexpr int ShortTextLimit = 30;
    static constexpr int LongTextLimit = 300;

    explicit LevelProp(const PropertyValues& properties, QWidget* parent = nullptr);
    ~LevelProp() override;

    // The Level Properties command: opens the dialog modally over `parent` on `properties`; the properties
    // OK took, none when the dialog was cancelled.
    static std::optional<PropertyValues> Edit(const PropertyValues& properties, QWidget* parent = nullptr);
    // The properties as OK took them; as given until then.
    const PropertyValues& properties() const { return m_properties; }

    void Form_Load();
    void StartTile_Change();
    void Command1_Click();
    void Command2_Click();

    QLabel* Label1;
    QLineEdit* LevelNameText;
    QLabel* Label6;
    QLabel* Label2;
    QLineEdit* AuthorText;
    QLabel* Label3;
    QLineEdit* DateMadeText;
    QLabel* Label7;
    QLabel* Label4;
    QPlainTextEdit* DescriptionText;
    QLabel* Label5;
    QPlainTextEdit* CommentsText;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Label8;
    QLineEdit* StartTile;
    QLabel* Label9;
    QLineEdit* LastScreenText;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Values = PropertyValues;

    void createControls();
    void arrangeTabOrder();
    void loadShortText(QLineEdit* box, const QString& text);
    // The boxes as the level properties; throws a BadBox naming the first box that cannot be stored.
    Values readBoxes() const;
    void store(const Values& values);

    PropertyValues m_properties;
    MultiLineLevelText* m_description;
    MultiLineLevelText* m_comments;
};

} // namespace tavrin
