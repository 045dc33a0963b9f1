// frmAbout, the About box: the program's title, version and description, the system information
// tool, and the project's web page.
#pragma once

#include <QDialog>

namespace korvane {

// The project's web address, opened by the OpenWebsite button.
QString projectWebsite();

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* owner = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Form_Load();
    void cmdSysInfo_Click();
    void OpenWebsite_Click();
    void StartSysInfo();
};

}  // namespace korvane
