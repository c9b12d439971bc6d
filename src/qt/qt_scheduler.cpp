#include "qt/qt_scheduler.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QThread>
#include <QTime>
#include <QTimer>

#include "qt/text_convert.h"

namespace tarvex::qt {

namespace {

class QtTimer final : public platform::Timer {
 public:
  explicit QtTimer(int interval_ms) {
    timer_.setInterval(interval_ms);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (handler_) handler_();
    });
  }
  void set_interval(int ms) override { timer_.setInterval(ms); }
  int interval() const override { return timer_.interval(); }
  void set_enabled(bool enabled) override {
    if (enabled)
      timer_.start();
    else
      timer_.stop();
  }
  bool enabled() const override { return timer_.isActive(); }
  void set_handler(std::function<void()> handler) override { handler_ = std::move(handler); }

 private:
  QTimer timer_;
  std::function<void()> handler_;
};

}  // namespace

QtScheduler::QtScheduler() {
  clock_.start();
}

std::unique_ptr<platform::Timer> QtScheduler::create_timer(int interval_ms) {
  return std::make_unique<QtTimer>(interval_ms);
}

void QtScheduler::process_messages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtScheduler::sleep_ms(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

void QtScheduler::post(std::function<void()> work) {
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

std::string QtScheduler::long_time_text() const {
  // The long format may end with the time zone's name; the event log wants
  // the clock time alone.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove(QStringLiteral(" t")).remove(QStringLiteral("t"));
  return bytes(QLocale::system().toString(QTime::currentTime(), format.trimmed()));
}

std::string QtScheduler::short_date_text() const {
  const QLocale locale = QLocale::system();
  // Without a region (the C locale) the "short" date spells the month out
  // ("8 Dec 2026"); the numeric ISO date stands in for it there.
  if (locale.language() == QLocale::C) return bytes(QDate::currentDate().toString(Qt::ISODate));
  return bytes(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
}

}  // namespace tarvex::qt
