#include "Views/ApplicationPickerDialog.h"

#include "Views/ApplicationIconLoader.h"
#include "Views/ApplicationListModel.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {
Q_LOGGING_CATEGORY(lcApplicationPicker, "com.ostavel.app.ApplicationPicker", QtWarningMsg)
} // namespace

ApplicationPickerDialog::ApplicationPickerDialog(
    std::shared_ptr<const InstalledApplications> applications, QStringList pixmapDirs,
    QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , m_icons(std::make_unique<ApplicationIconLoader>(std::move(pixmapDirs)))
{
    setWindowTitle(QStringLiteral("Select Application"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(360, 440);

    m_model = new ApplicationListModel(*m_icons, this);
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_model);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto* layout = new QVBoxLayout(this);
    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("Search"));
    m_search->setClearButtonEnabled(true);
    layout->addWidget(m_search);

    m_list = new QListView(this);
    m_list->setModel(m_filter);
    // Equal rows: the view sizes the list without asking every row, and asks only the rows it
    // shows for their icons.
    m_list->setUniformItemSizes(true);
    m_list->setIconSize(QSize(24, 24));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_list);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel);
    m_add = buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
    m_add->setDefault(true);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListView::activated, this, &QDialog::accept);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_filter->setFilterFixedString(text.trimmed());
        if (!m_list->currentIndex().isValid() && m_filter->rowCount() > 0)
            m_list->setCurrentIndex(m_filter->index(0, 0));
        updateAddButton();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ApplicationPickerDialog::updateAddButton);
    connect(this, &QDialog::finished, this, &ApplicationPickerDialog::onFinished);
    // Up and Down in the search field move through the list.
    m_search->installEventFilter(this);
    updateAddButton();

    connect(&m_loading, &QFutureWatcher<QList<InstalledApplication>>::finished, this,
            [this] { setApplications(m_loading.result()); });
    if (applications) {
        m_loading.setFuture(QtConcurrent::run([applications] {
            // An exception left in the future would be rethrown into the event loop by result().
            try {
                return applications->applications();
            } catch (...) {
                qCWarning(lcApplicationPicker, "The installed applications could not be read");
                return QList<InstalledApplication>();
            }
        }));
    }
}

ApplicationPickerDialog::~ApplicationPickerDialog()
{
    // The background read keeps its own reference to the catalogue; its result is dropped.
    m_loading.disconnect(this);
}

void ApplicationPickerDialog::setApplications(QList<InstalledApplication> applications)
{
    m_model->setApplications(std::move(applications));
    if (m_filter->rowCount() > 0)
        m_list->setCurrentIndex(m_filter->index(0, 0));
    updateAddButton();
    emit applicationsLoaded();
}

bool ApplicationPickerDialog::selectApplication(const QString& id)
{
    for (int row = 0; row < m_filter->rowCount(); ++row) {
        const QModelIndex index = m_filter->index(row, 0);
        if (index.data(ApplicationListModel::idRole).toString() == id) {
            m_list->setCurrentIndex(index);
            return true;
        }
    }
    return false;
}

bool ApplicationPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_list, event);
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ApplicationPickerDialog::updateAddButton()
{
    m_add->setEnabled(m_list->currentIndex().isValid());
}

void ApplicationPickerDialog::onFinished(int result)
{
    if (m_reported)
        return;
    m_reported = true;
    const QModelIndex current = m_list->currentIndex();
    if (result == QDialog::Accepted && current.isValid()) {
        emit picked(AppEntry{current.data(ApplicationListModel::idRole).toString(),
                             current.data(Qt::DisplayRole).toString()});
    } else {
        emit picked(std::nullopt);
    }
}
