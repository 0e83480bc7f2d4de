#include "platform/QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

void QtMessageSink::ShowMessage(const std::string& strTitle, const std::string& strText) {
    if (m_bToStandardError) {
        std::fprintf(stderr, "Velvetfade: %s: %s\n", strTitle.c_str(), strText.c_str());
        return;
    }
    QWidget* pOwner = m_pOwner != nullptr ? m_pOwner.data() : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(strTitle),
                    QString::fromStdString(strText), QMessageBox::Ok, pOwner);
    // Above a full-screen saver window too.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}
