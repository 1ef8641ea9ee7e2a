#pragma once

#include <QFrame>
#include <QString>
#include <array>

#include "platform/socket.h"

class QLineEdit;

namespace quelvar::ui::qt {

// An IPv4 address entry of four decimal fields, behaving like the address
// control users know from the desktop the tool grew up on:
//  - each field takes only digits, at most three, and never more than 255
//    (a larger number is cut back to 255 as it is typed);
//  - a blank field reads as 0, and a cleared control shows four blank fields;
//  - "." (or a third digit) moves on to the next field, Backspace in an empty
//    field and Left at the start of a field move back to the previous one;
//  - the whole control is one tab stop and is enabled or disabled as a whole.
class IpAddressEdit : public QFrame {
    Q_OBJECT

  public:
    using Octets = platform::Ipv4Octets;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    // The four fields, a blank one as 0.
    Octets octets() const;
    void setOctets(const Octets& octets);
    // Blanks all four fields.
    void clear();
    // True when every field is blank.
    bool isBlank() const;
    // The address as typed, for a screen reader: "192.168.0.10", "" when blank.
    QString spokenText() const;

    // One field, for tests and for the focus chain.
    QLineEdit* field(int index) const { return fields_[static_cast<std::size_t>(index)]; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int indexOf(QObject* object) const;
    void focusField(int index, bool atEnd);
    void onEdited(int index);
    // Tells a screen reader of the new address as one text.
    void announceText();

    QString spokenBefore_;

    std::array<QLineEdit*, 4> fields_{};
};

}  // namespace quelvar::ui::qt
