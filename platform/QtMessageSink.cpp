#include "QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageSink::ShowMessage(const std::string& strTitle, const std::string& strText) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(strTitle),
                    QString::fromStdString(strText), QMessageBox::Ok, QApplication::activeWindow());
    // Above a full-screen saver window too.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}
