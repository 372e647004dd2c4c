// The plain Qt window that start-up is measured against: a menu and a list
// of one path, in a program that loads Qt Widgets and nothing else.
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("&Menu"))->addAction(QStringLiteral("Open"));
    auto* list = new QListWidget;
    list->addItem(QStringLiteral("/home/user/Music/The Artist/The Album/01 - The Song.mp3"));
    window.setCentralWidget(list);
    window.resize(610, 259);
    window.show();
    return app.exec();
}
