#include "common/Schreibfaden.h"

#include <QCoreApplication>
#include <QThread>
#include <exception>
#include <memory>

#include "common/Kontext.h"

Schreibfaden::Schreibfaden() : faden_([this] { Schleife(); }) {}

Schreibfaden::~Schreibfaden() {
    {
        const std::lock_guard<std::mutex> s(sperre_);
        ende_ = true;
    }
    neu_.notify_all();
    faden_.join();
}

void Schreibfaden::Schleife() {
    std::unique_lock<std::mutex> s(sperre_);
    for (;;) {
        neu_.wait(s, [this] { return ende_ || !auftraege_.empty(); });
        if (auftraege_.empty()) {
            return;
        }
        std::function<void()> auftrag = std::move(auftraege_.front());
        auftraege_.pop_front();
        s.unlock();
        auftrag();
        s.lock();
        --offen_;
        erledigt_.notify_all();
    }
}

void Schreibfaden::Einreihen(std::function<void()> auftrag) {
    {
        const std::lock_guard<std::mutex> s(sperre_);
        ++offen_;
        auftraege_.push_back(std::move(auftrag));
    }
    neu_.notify_one();
}

void Schreibfaden::Ausfuehren(const std::function<void()>& auftrag, bool mitSchleife) {
    // Shared with the job: the waiting side may be left by an exception of its own.
    struct Stand {
        std::exception_ptr fehler;
        bool fertig = false;
    };
    const auto stand = std::make_shared<Stand>();
    {
        const std::lock_guard<std::mutex> s(sperre_);
        ++offen_;
        auftraege_.push_back([this, stand, auftrag] {
            std::exception_ptr fehler;
            try {
                auftrag();
            } catch (...) {
                fehler = std::current_exception();
            }
            const std::lock_guard<std::mutex> s2(sperre_);
            stand->fehler = fehler;
            stand->fertig = true;
        });
    }
    neu_.notify_one();
    mitSchleife = mitSchleife && QCoreApplication::instance() != nullptr &&
                  QCoreApplication::instance()->thread() == QThread::currentThread();
    for (;;) {
        {
            std::unique_lock<std::mutex> s(sperre_);
            erledigt_.wait_for(s, std::chrono::milliseconds(5), [&] { return stand->fertig; });
            if (stand->fertig) {
                break;
            }
        }
        if (mitSchleife) {
            QCoreApplication::processEvents();
        }
    }
    if (stand->fehler) {
        std::rethrow_exception(stand->fehler);
    }
}

bool Schreibfaden::Leer(std::chrono::milliseconds hoechstens) {
    std::unique_lock<std::mutex> s(sperre_);
    return erledigt_.wait_for(s, hoechstens, [this] { return offen_ == 0; });
}

Schreibfaden& Schreibdienst(Kontext& ctx) {
    if (!ctx.Schreiber) {
        ctx.Schreiber = std::make_unique<Schreibfaden>();
    }
    return *ctx.Schreiber;
}

void Im_Hintergrund(Kontext& ctx, const std::function<void()>& auftrag, bool mitTag) {
    if (!mitTag) {
        Schreibdienst(ctx).Ausfuehren(auftrag);
        return;
    }
    // Nested waits (a handler that ran inside one) keep the mark until the outer ends.
    const bool vorher = ctx.TagBelegt;
    ctx.TagBelegt = true;
    try {
        Schreibdienst(ctx).Ausfuehren(auftrag);
    } catch (...) {
        ctx.TagBelegt = vorher;
        throw;
    }
    ctx.TagBelegt = vorher;
}
