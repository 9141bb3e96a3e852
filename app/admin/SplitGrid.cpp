#include "SplitGrid.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
void setUpPane(QTableView* pane)
{
    pane->setSelectionBehavior(QAbstractItemView::SelectRows);
    pane->setSelectionMode(QAbstractItemView::SingleSelection);
    pane->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pane->setWordWrap(false);
    pane->verticalHeader()->setDefaultSectionSize(pane->fontMetrics().height() + 6);
    pane->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    pane->horizontalHeader()->setSectionsClickable(true);
    pane->horizontalHeader()->setHighlightSections(false);
}
} // namespace

SplitGrid::SplitGrid(QWidget* parent)
    : QWidget(parent)
    , m_fixed(new QTableView(this))
    , m_scrolling(new QTableView(this))
{
    m_fixed->setObjectName(QStringLiteral("fixedPane"));
    m_scrolling->setObjectName(QStringLiteral("scrollingPane"));
    setUpPane(m_fixed);
    setUpPane(m_scrolling);
    m_fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_scrolling->verticalHeader()->hide();
    m_scrolling->setFocusPolicy(Qt::StrongFocus);

    // Under the left pane, as much room as the right pane's horizontal scroll bar takes, so
    // both show the same rows.
    m_underFixed = new QWidget(this);
    m_underFixed->setFixedHeight(0);
    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(m_fixed, 1);
    left->addWidget(m_underFixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(left);
    layout->addWidget(m_scrolling, 1);
    m_scrolling->viewport()->installEventFilter(this);

    connect(m_scrolling->verticalScrollBar(), &QScrollBar::valueChanged,
            m_fixed->verticalScrollBar(), &QScrollBar::setValue);
    connect(m_fixed->verticalScrollBar(), &QScrollBar::valueChanged,
            m_scrolling->verticalScrollBar(), &QScrollBar::setValue);
    for (QTableView* pane : {m_fixed, m_scrolling}) {
        connect(pane->horizontalHeader(), &QHeaderView::sectionClicked, this,
                &SplitGrid::headClicked);
    }
    connect(m_fixed->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { sizeFixedPane(); });
}

bool SplitGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_scrolling->viewport() && event->type() == QEvent::Resize) {
        const int belowViewport = m_scrolling->height() - m_scrolling->frameWidth() -
                                  m_scrolling->viewport()->geometry().bottom() - 1;
        m_underFixed->setFixedHeight(std::max(0, belowViewport));
    }
    return QWidget::eventFilter(watched, event);
}

void SplitGrid::setModel(QAbstractItemModel* model)
{
    m_fixed->setModel(model);
    m_scrolling->setModel(model);
    // One selection for both panes.
    m_scrolling->setSelectionModel(m_fixed->selectionModel());
    for (int column = 1; column < model->columnCount(); ++column)
        m_fixed->setColumnHidden(column, true);
    m_scrolling->setColumnHidden(0, true);
    sizeFixedPane();
    connect(model, &QAbstractItemModel::modelReset, this, [this] { sizeFixedPane(); });
    connect(m_fixed->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_settingRow && current.isValid())
                    emit currentRowChanged(current.row());
            });
}

QItemSelectionModel* SplitGrid::selectionModel() const
{
    return m_fixed->selectionModel();
}

void SplitGrid::sizeFixedPane()
{
    // Exactly one column wide: the row selectors and the name.
    const int width = m_fixed->verticalHeader()->sizeHint().width() + m_fixed->columnWidth(0) +
                      2 * m_fixed->frameWidth();
    m_fixed->setFixedWidth(width);
}

void SplitGrid::setCurrentRow(int row)
{
    QItemSelectionModel* selection = selectionModel();
    if (selection == nullptr)
        return;
    m_settingRow = true;
    if (row < 0 || row >= m_fixed->model()->rowCount()) {
        selection->clear();
    } else {
        const QModelIndex index = m_fixed->model()->index(row, 0);
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_scrolling->scrollTo(m_scrolling->model()->index(row, 1));
    }
    m_settingRow = false;
}

int SplitGrid::currentRow() const
{
    const QItemSelectionModel* selection = selectionModel();
    return selection == nullptr || !selection->currentIndex().isValid()
               ? -1
               : selection->currentIndex().row();
}

void SplitGrid::clearColumnSelection()
{
    const int row = currentRow();
    setCurrentRow(row);
}
