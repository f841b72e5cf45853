#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;
class QVBoxLayout;

// A group that opens and closes: a header of a disclosure arrow and a title (a click on either
// toggles it; callers add their own controls after the title) over content shown only while it
// is open. Starts closed.
class DisclosureGroup : public QWidget {
    Q_OBJECT

public:
    // `stretchTitle`: the title takes the header's free width, so all of it is a click target.
    explicit DisclosureGroup(const QString& title, bool stretchTitle = false,
                             QWidget* parent = nullptr);

    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    void toggle() { setExpanded(!m_expanded); }

    QHBoxLayout* headerLayout() const { return m_header; }
    QVBoxLayout* contentLayout() const { return m_contentLayout; }
    QWidget* content() const { return m_content; }
    QLabel* titleLabel() const { return m_title; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_expanded = false;
    QToolButton* m_arrow = nullptr;
    QLabel* m_title = nullptr;
    QHBoxLayout* m_header = nullptr;
    QWidget* m_content = nullptr;
    QVBoxLayout* m_contentLayout = nullptr;
};
