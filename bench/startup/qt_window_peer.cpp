// The start-up benchmark's peer: a bare Qt window showing one label; once it has been painted it prints "painted"
// and ends.
#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QTimer>
#include <cstdio>

namespace {

class Label : public QLabel {
 public:
  using QLabel::QLabel;

 private:
  bool painted_ = false;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
    if (painted_) return;
    painted_ = true;
    std::fputs("painted\n", stdout);
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QApplication::quit);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  Label label("Pexu");
  label.resize(785, 718);
  label.show();
  return application.exec();
}
