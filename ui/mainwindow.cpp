#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "ui/messagedialog.h"

#include <QFile>
#include <QListView>
#include <QMovie>

MainWindow::MainWindow(QWidget *parent)
    : FramelessWidget(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    m_messageDialog = new MessageDialog(this);

    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    startBusyAnimation();
    ui->toolButton_Settings->setEnabled(false);
    applyStyleSheet();
    ui->progressBar->hide();
    // The default popup draws its items with a menu delegate that ignores the style sheet's item rules
    // (height, rounding, padding); a plain list view comes with a delegate that honours them.
    ui->comboBox_Version->setView(new QListView(ui->comboBox_Version));

    connect(ui->toolButton_Close, &QToolButton::clicked, this, &QWidget::close);
}

MainWindow::~MainWindow() = default;

void MainWindow::showInstanceMessage(const QString &title, const QString &text)
{
    raise();
    activateWindow();
    m_messageDialog->showMessage(title, text);
}

void MainWindow::startBusyAnimation()
{
    // Owned by the window: the animation runs as long as the window lives and goes with it.
    auto *movie = new QMovie(QStringLiteral(":/images/loading.gif"), QByteArray(), this);
    movie->setScaledSize(QSize(168, 168));
    ui->label_Busying->setMovie(movie);
    movie->start();
}

void MainWindow::applyStyleSheet()
{
    // Without its sheet the window still works, unstyled; there is nothing the user could do about it.
    QFile file(QStringLiteral(":/ui/style.qss"));
    if (file.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(file.readAll()));
}
