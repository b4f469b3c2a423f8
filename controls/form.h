#pragma once

// Window properties in twips and the window state, for a top-level window.

#include "control.h"

#include <QEvent>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>

namespace controls {

enum class FormState { Normal = 0, Minimized = 1, Maximized = 2 };

FormState formStateOf(Qt::WindowStates states);
Qt::WindowStates windowStatesFor(Qt::WindowStates current, FormState state);

// Form_Resize() runs when the window is first shown, after every change of
// its size and after every change of its state.
template<class Base> class Form : public Base
{
public:
    using Base::Base;

    // Outer size, frame and caption included. Like the client area below,
    // a value written is read back exactly until the pixels change otherwise.
    double widthTwips() const { return storedOrShown(m_width, this->frameGeometry().width()); }
    double heightTwips() const { return storedOrShown(m_height, this->frameGeometry().height()); }
    void setWidthTwips(double width)
    {
        m_width = width;
        this->resize(toPixels(width) - frameExtra().width(), this->height());
    }
    void setHeightTwips(double height)
    {
        m_height = height;
        this->resize(this->width(), toPixels(height) - frameExtra().height());
    }

    // Client area. setScaleSizeTwips keeps the values exactly; a later size
    // change by the user or the window system replaces them with the pixels.
    double scaleWidthTwips() const { return storedOrShown(m_scaleWidth, this->width()); }
    double scaleHeightTwips() const { return storedOrShown(m_scaleHeight, this->height()); }
    void setScaleSizeTwips(double width, double height)
    {
        m_scaleWidth = width;
        m_scaleHeight = height;
        this->resize(toPixels(width), toPixels(height));
    }

    FormState formState() const { return formStateOf(this->windowState()); }
    void setFormState(FormState state)
    {
        const Qt::WindowStates states = windowStatesFor(this->windowState(), state);
        if (formState() != FormState::Maximized || state != FormState::Normal) {
            this->setWindowState(states);
            return;
        }
        // The window manager restores the normal size some time later; read
        // before, the size is still the maximised one. So the normal size is
        // put back at once, and Form_Resize runs for it alone.
        const QSize normal = this->normalGeometry().size();
        m_restoring = true;
        this->setWindowState(states);
        m_restoring = false;
        if (this->size() == normal)
            Form_Resize();
        else
            this->resize(normal);
    }

    // Centres the window, frame included, on its screen's available area. A
    // window larger than that area keeps its top-left corner on it, so its
    // title bar and close button stay within reach.
    void centreOnScreen()
    {
        const QRect area = this->screen()->availableGeometry();
        QRect frame = this->frameGeometry();
        frame.moveCenter(area.center());
        this->move(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
    }

    QColor backColor() const { return this->palette().color(QPalette::Window); }
    void setBackColor(const QColor &color) { fillBackground(*this, color); }

protected:
    virtual void Form_Resize() = 0;

    // Qt delivers a pending resize event on the first show, so this covers
    // the first showing too.
    void resizeEvent(QResizeEvent *event) override
    {
        Base::resizeEvent(event);
        m_width = widthTwips();
        m_height = heightTwips();
        m_scaleWidth = scaleWidthTwips();
        m_scaleHeight = scaleHeightTwips();
        Form_Resize();
    }

    void changeEvent(QEvent *event) override
    {
        Base::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && this->isVisible() && !m_restoring)
            Form_Resize();
    }

private:
    QSize frameExtra() const { return this->frameGeometry().size() - this->size(); }

    double m_width = 0;
    double m_height = 0;
    double m_scaleWidth = 0;
    double m_scaleHeight = 0;
    bool m_restoring = false;
};

} // namespace controls
