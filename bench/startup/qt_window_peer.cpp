// The start-up benchmark's peer: a bare Qt window showing one label, ending once it has been painted.
#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QTimer>

namespace {

class Label : public QLabel {
 public:
  using QLabel::QLabel;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QLabel::paintEvent(event);
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
