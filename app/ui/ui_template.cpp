#include "app/ui/ui_template.h"

#include "app/ui/bitmap_static.h"
#include "app/ui/link_label.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QUiLoader>
#include <QVBoxLayout>

namespace velmora {

namespace {

// The program's own controls, named in the templates as custom widgets.
class CTemplateLoader : public QUiLoader {
public:
    using QUiLoader::QUiLoader;
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override
    {
        QWidget* w = nullptr;
        if (className == QLatin1String("velmora::CLabel"))
            w = new CLabel(parent);
        else if (className == QLatin1String("velmora::CBitmapStatic"))
            w = new CBitmapStatic(parent);
        else
            return QUiLoader::createWidget(className, parent, name);
        w->setObjectName(name);
        return w;
    }
};

} // namespace

QWidget* LoadTemplate(QWidget* host, const QString& resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) qFatal("dialog template %s missing", qPrintable(resourcePath));
    CTemplateLoader loader;
    QWidget* root = loader.load(&file, host);
    if (!root) qFatal("dialog template %s unreadable: %s", qPrintable(resourcePath), qPrintable(loader.errorString()));
    auto* layout = new QVBoxLayout(host);
    layout->addWidget(root);
    // The template's own layout sits inside the host's margins.
    if (root->layout()) root->layout()->setContentsMargins(0, 0, 0, 0);
    host->setWindowTitle(root->windowTitle());
    ApplyFieldConventions(root);
    return root;
}

namespace {

// A read-only field looks like one: the window's background instead of the
// base of a field one can type into. A dialog may switch a field between
// the two, so the look follows every change.
class CReadOnlyLook : public QObject {
public:
    using QObject::QObject;
    static void Apply(QLineEdit* edit)
    {
        QPalette palette = edit->palette();
        const QPalette normal = QApplication::palette(edit);
        palette.setColor(QPalette::Base,
                         edit->isReadOnly() ? normal.color(QPalette::Window) : normal.color(QPalette::Base));
        edit->setPalette(palette);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ReadOnlyChange) Apply(static_cast<QLineEdit*>(watched));
        return false;
    }
};

// Hexadecimal values (keys, UIDs, data) are read in columns of two: a
// fixed-width font, and room for the longest value the field takes
// (its "hexChars" property in the template).
void SizeForHex(QWidget* field, int chars)
{
    field->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    if (auto* combo = qobject_cast<QComboBox*>(field)) {
        combo->setMinimumContentsLength(chars);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        return;
    }
    if (auto* view = qobject_cast<QPlainTextEdit*>(field)) {
        // A hexadecimal view: lines of that many characters beside its scroll bar.
        const int margin = static_cast<int>(view->document()->documentMargin());
        view->setMinimumWidth(QFontMetrics(view->font()).horizontalAdvance(QString(chars, QLatin1Char('0'))) +
                              2 * (view->frameWidth() + margin) + view->verticalScrollBar()->sizeHint().width());
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(field);
    if (!edit) return;
    const QFontMetrics metrics(edit->font());
    // QLineEdit's own sizing: 2 pixels of margin on each side, one for the cursor.
    const QMargins text = edit->textMargins();
    const QMargins contents = edit->contentsMargins();
    const int width = metrics.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 2 * 2 + 1 + text.left() +
                      text.right() + contents.left() + contents.right();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QSize size =
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, edit->sizeHint().height()), edit);
    edit->setMinimumWidth(size.width());
}

} // namespace

void ApplyFieldConventions(QWidget* root)
{
    for (QWidget* field : root->findChildren<QWidget*>()) {
        const QVariant chars = field->property(kHexCharsProperty);
        if (chars.isValid()) SizeForHex(field, chars.toInt());
    }
    auto* look = new CReadOnlyLook(root);
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        CReadOnlyLook::Apply(edit);
        edit->installEventFilter(look);
    }
    // Read-only fields carry results and status texts, which are often
    // longer than the field: show their start, and the whole as tooltip.
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        if (!edit->isReadOnly()) continue;
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
            if (!edit->isReadOnly()) return; // a dialog may open it for typing
            edit->setCursorPosition(0);
            edit->setToolTip(text);
        });
    }
    // Editable combos list what the card holds: typing selects or names an
    // entry, it never adds one and is never completed into another.
    for (QComboBox* combo : root->findChildren<QComboBox*>()) {
        if (!combo->isEditable()) continue;
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
    }
}

QWidget* FindControl(QWidget* root, int id)
{
    auto* w = root->findChild<QWidget*>(QString::number(id));
    if (!w) qFatal("control %d missing in template %s", id, qPrintable(root->objectName()));
    return w;
}

} // namespace velmora
