#include <QSignalSpy>
#include <QTest>

#include "view/icon_button.h"

// The panel's button: hover signals, which face and icon it draws in each
// state, the generated second icons, and the look of a press.
class IconButtonTest : public QObject {
    Q_OBJECT

private:
    // A shown, active window holding one button.
    struct Window {
        QWidget top;
        CIconButton* button;
        explicit Window(const QString& text = {})
        {
            top.resize(200, 120);
            button = new CIconButton(1046, text, &top);
            button->setGeometry(20, 20, 90, 50);
            top.show();
            top.activateWindow();
            // The pointer may still be where an earlier window's button was.
            QTest::mouseMove(&top, QPoint(150, 100));
        }
    };

    static QImage Swatch(QRgb colour)
    {
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(colour);
        return icon;
    }

private slots:
    void hoverSignalsEnterAndLeaveWithTheControlId()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        QSignalSpy entered(w.button, &CIconButton::HoverEntered);
        QSignalSpy left(w.button, &CIconButton::HoverLeft);
        QTest::mouseMove(&w.top, QPoint(5, 5));
        QTest::mouseMove(w.button, QPoint(10, 10));
        QCOMPARE(entered.count(), 1);
        QCOMPARE(entered.at(0).at(0).toInt(), 1046);
        QVERIFY(w.button->IsHovered());
        QTest::mouseMove(w.button, QPoint(30, 20)); // still inside: no second signal
        QCOMPARE(entered.count(), 1);
        QTest::mouseMove(&w.top, QPoint(150, 100));
        QCOMPARE(left.count(), 1);
        QCOMPARE(left.at(0).at(0).toInt(), 1046);
        QVERIFY(!w.button->IsHovered());
    }

    void aButtonThatIsNotFlatOrIsDisabledNeverHovers()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        w.button->SetFlat(false);
        QSignalSpy entered(w.button, &CIconButton::HoverEntered);
        QTest::mouseMove(&w.top, QPoint(5, 5));
        QTest::mouseMove(w.button, QPoint(10, 10));
        QCOMPARE(entered.count(), 0);

        w.button->SetFlat(true);
        w.button->setEnabled(false);
        QTest::mouseMove(&w.top, QPoint(5, 5));
        QTest::mouseMove(w.button, QPoint(12, 12));
        QCOMPARE(entered.count(), 0);
        QVERIFY(!w.button->IsHovered());
    }

    void restShowsNormalFaceAndDarkerIconHoverShowsHoverFaceAndIcon()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        CFaceNoise seed(3);
        w.button->MakeTexturedFace(kFacePatternShaded, 4, 10, 20, { 200, 200, 255 }, &seed);
        QVERIFY(w.button->SetIconImages(Swatch(qRgb(200, 100, 40)), CIconButton::kDarkerSecondIcon));
        QPoint offset;
        QCOMPARE(w.button->FaceToDraw(&offset), &w.button->NormalFace());
        QCOMPARE(w.button->IconToDraw().pixel(0, 0), qRgb(150, 75, 30));
        QTest::mouseMove(&w.top, QPoint(5, 5));
        QTest::mouseMove(w.button, QPoint(10, 10));
        QCOMPARE(w.button->FaceToDraw(&offset), &w.button->HoverFace());
        QCOMPARE(offset, QPoint(0, 0));
        QCOMPARE(w.button->IconToDraw().pixel(0, 0), qRgb(200, 100, 40));
    }

    void facesFollowTheButtonSizeAndTint()
    {
        Window w;
        w.button->MakeTexturedFace(kFacePatternShaded, 4, 10, 20, { 0, 255, 255 });
        QCOMPARE(w.button->NormalFace().Width(), 90);
        QCOMPARE(w.button->NormalFace().Height(), 50);
        const QColor face = w.button->palette().color(QPalette::Button);
        const PaletteEntry mid = w.button->NormalFace().GetPaletteEntry(128);
        QCOMPARE(int(mid.red), (0 * 20 + face.red() * 80) / 100);
        QCOMPARE(int(mid.green), (255 * 20 + face.green() * 80) / 100);
        w.button->resize(40, 30);
        QCOMPARE(w.button->NormalFace().Width(), 40);
        QCOMPARE(w.button->HoverFace().Height(), 30);
    }

    void paintedFaceAtRestAndPressedShiftedByOne()
    {
        Window w; // no text and no icon, so the corners show the face
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        CFaceNoise seed(5);
        w.button->MakeTexturedFace(kFacePatternShaded, 4, 10, 20, { 200, 200, 255 }, &seed);
        auto colourOf = [](const CPalettisedBitmap& b, int x, int y) {
            const PaletteEntry e = b.GetPaletteEntry(b.GetPixel(x, y));
            return qRgb(e.red, e.green, e.blue);
        };
        QImage rest = w.button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(rest.pixel(0, 0), colourOf(w.button->NormalFace(), 0, 0));
        QCOMPARE(rest.pixel(40, 25), colourOf(w.button->NormalFace(), 40, 25));
        QTest::mouseMove(&w.top, QPoint(5, 5));
        QTest::mouseMove(w.button, QPoint(10, 10));
        QTest::mousePress(w.button, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(w.button->isDown());
        QPoint offset;
        QCOMPARE(w.button->FaceToDraw(&offset), &w.button->HoverFace());
        QCOMPARE(offset, QPoint(1, 1));
        QImage pressed = w.button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(pressed.pixel(41, 26), colourOf(w.button->HoverFace(), 40, 25));
        QTest::mouseRelease(w.button, Qt::LeftButton, {}, QPoint(10, 10));
    }

    void generatedSecondIconsKeepBlackAndTheMask()
    {
        QImage icon(3, 1, QImage::Format_ARGB32);
        icon.setPixel(0, 0, qRgba(200, 100, 40, 255));
        icon.setPixel(1, 0, qRgba(0, 0, 0, 255));
        icon.setPixel(2, 0, qRgba(200, 100, 40, 0));
        const QImage darker = CIconButton::DarkerCopy(icon);
        QCOMPARE(darker.pixel(0, 0), qRgba(150, 75, 30, 255));
        QCOMPARE(darker.pixel(1, 0), qRgba(0, 0, 0, 255));
        QCOMPARE(qAlpha(darker.pixel(2, 0)), 0);
        const QImage grey = CIconButton::GreyCopy(icon);
        QCOMPARE(grey.pixel(0, 0), qRgba(123, 123, 123, 255));
        QCOMPARE(grey.pixel(1, 0), qRgba(0, 0, 0, 255));
    }

    void anIconThatCannotBeHadLeavesNoIconAtAll()
    {
        Window w;
        QVERIFY(w.button->SetIcons(154, CIconButton::kDarkerSecondIcon));
        QVERIFY(!w.button->NormalIcon().isNull());
        QVERIFY(!w.button->SetIcons(154, 9999)); // no such second icon
        QVERIFY(w.button->NormalIcon().isNull());
        QVERIFY(w.button->SecondIconImage().isNull());
        QVERIFY(!w.button->SetIcons(9999, CIconButton::kNoSecondIcon));
    }

    void doubleClickCountsAsTwoPresses()
    {
        Window w;
        QVERIFY(QTest::qWaitForWindowActive(&w.top));
        QSignalSpy clicked(w.button, &QPushButton::clicked);
        const QPoint at(10, 10);
        auto send = [&](QEvent::Type type) {
            QMouseEvent e(type, at, w.button->mapToGlobal(at), Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w.button, &e);
        };
        send(QEvent::MouseButtonPress);
        send(QEvent::MouseButtonRelease);
        send(QEvent::MouseButtonDblClick);
        send(QEvent::MouseButtonRelease);
        QCOMPARE(clicked.count(), 2);
    }
};

QTEST_MAIN(IconButtonTest)
#include "icon_button_hover_test.moc"
