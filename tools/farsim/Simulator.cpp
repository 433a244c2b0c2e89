#include "farsim/Simulator.h"

#include <algorithm>

namespace heliotab::farsim {

Simulator::Simulator(SimConfig cfg)
    : cfg_(std::move(cfg)), rng_(cfg_.seed), fault_(cfg_.fault),
      faultsLeft_(cfg_.fault == Fault::None ? 0 : cfg_.faultCount) {}

void Simulator::Start(double nowMs) {
    if (cfg_.scenario) {
        Event("start mode=scenario steps=" + std::to_string(cfg_.scenario->size()));
        RunSteps(nowMs);
    } else {
        Event(std::string("start mode=") + (cfg_.demo ? "demo" : "auto") +
              " layout=" + LayoutName(cfg_.layout));
    }
}

std::vector<Effect> Simulator::TakeEffects() {
    std::vector<Effect> out;
    out.swap(effects_);
    return out;
}

void Simulator::Event(const std::string& text) {
    Effect e;
    e.kind = Effect::Kind::Event;
    e.text = text;
    effects_.push_back(std::move(e));
}

void Simulator::Exit(int code, const std::string& reason) {
    if (finished_)
        return;
    Event("exit code=" + std::to_string(code) + " reason=" + reason +
          " tests=" + std::to_string(tests_));
    Effect e;
    e.kind = Effect::Kind::Exit;
    e.exitCode = code;
    effects_.push_back(std::move(e));
    finished_ = true;
    await_.active = false;
    job_ = Job::None;
    stepDeadline_.reset();
}

std::optional<double> Simulator::NextDeadline() const {
    if (finished_)
        return std::nullopt;
    std::optional<double> next;
    auto consider = [&](double t) { next = next ? std::min(*next, t) : t; };
    if (await_.active)
        consider(await_.deadline);
    if (job_ != Job::None)
        consider(jobAt_);
    if (stepDeadline_)
        consider(*stepDeadline_);
    return next;
}

// ---- sending ---------------------------------------------------------------

void Simulator::Transmit(char status, const Results& res, bool quiet, double now) {
    await_ = Awaiting{};
    await_.active = true;
    await_.req.layout = cfg_.layout;
    await_.req.status = status;
    await_.req.identity = cfg_.identity;
    await_.req.results = res;
    await_.quiet = quiet;
    lastAnswer_.reset();
    SendAttempt(now);
}

void Simulator::SendAttempt(double now) {
    ++await_.attempt;
    Fault fault = Fault::None;
    if (faultsLeft_ > 0) {
        fault = fault_;
        --faultsLeft_;
    }
    Transmission t = MakeTransmission(await_.req, fault, rng_);
    Event(std::string("tx-frame status=") + await_.req.status +
          " len=" + std::to_string(t.frameLength) + " layout=" + LayoutName(await_.req.layout) +
          " attempt=" + std::to_string(await_.attempt) + " fault=" + FaultName(fault));
    Effect send;
    send.kind = Effect::Kind::Send;
    send.chunks = std::move(t.chunks);
    effects_.push_back(std::move(send));
    if (t.hangUpAfter) {
        Event("hangup mid-frame");
        Effect h;
        h.kind = Effect::Kind::HangUp;
        effects_.push_back(h);
        // The frame never completed: nothing can answer it.
        await_.active = false;
        lastAnswer_ = Answer::None;
        if (cfg_.scenario) {
            ++step_;
            RunSteps(now);
        } else {
            phase_ = Phase::WaitEnq;
            job_ = Job::None;
        }
        return;
    }
    await_.deadline = now + (await_.quiet ? cfg_.quietWindowMs : cfg_.answerTimeoutMs);
}

// Common to both runs: a NAK resends, anything else ends the wait.
void Simulator::OnByte(unsigned char b, double now) {
    if (finished_ || cfg_.silent)
        return;
    const std::optional<Answer> a = AnswerOfByte(b);
    if (!a)
        return;
    if (await_.active && *a == Answer::Nak) {
        if (await_.attempt <= cfg_.maxResend) {
            Event(std::string("resend status=") + await_.req.status +
                  " after=NAK attempt=" + std::to_string(await_.attempt + 1));
            SendAttempt(now);
        } else {
            FinishAwaiting(Answer::Nak, now);
        }
        return;
    }
    if (cfg_.scenario)
        ScenarioByte(*a, now);
    else
        AutoByte(*a, now);
}

void Simulator::FinishAwaiting(Answer a, double now) {
    await_.active = false;
    Event(std::string("answer status=") + await_.req.status + " got=" + AnswerName(a) +
          " attempt=" + std::to_string(await_.attempt));
    if (a == Answer::Can)
        Event(std::string("cancelled status=") + await_.req.status);
    if (a == Answer::None && !await_.quiet)
        Event(std::string("timeout status=") + await_.req.status);
    if (a == Answer::Nak)
        Event(std::string("nak-limit status=") + await_.req.status);
    if (a == Answer::Ack && await_.req.status == '2') {
        ++tests_;
        Event("test-complete n=" + std::to_string(tests_));
    }
    if (cfg_.scenario) {
        lastAnswer_ = a;
        ++step_;
        RunSteps(now);
    } else {
        AutoAnswered(a, now);
    }
}

void Simulator::OnTime(double now) {
    if (finished_)
        return;
    if (await_.active && now >= await_.deadline) {
        FinishAwaiting(Answer::None, now);
        return OnTime(now); // the answer may have scheduled more that is due
    }
    if (cfg_.scenario) {
        ScenarioTime(now);
    } else if (job_ != Job::None && now >= jobAt_) {
        RunJob(now);
    }
}

// ---- automatic run -----------------------------------------------------------

void Simulator::AnnounceIdentity(double now) {
    phase_ = Phase::Identity;
    job_ = Job::None;
    offeredSinceIdentity_ = false;
    Transmit('0', cfg_.results, true, now);
}

void Simulator::AutoByte(Answer a, double now) {
    if (a == Answer::Enq) {
        // The program (re)starts its search: it gets our identity whatever we were doing.
        if (phase_ != Phase::WaitEnq)
            Event("enq-restart");
        AnnounceIdentity(now);
        return;
    }
    if (a == Answer::Eot) {
        await_.active = false;
        job_ = Job::None;
        phase_ = Phase::WaitEnq;
        Event("eot program-closed");
        return;
    }
    if (await_.active) {
        FinishAwaiting(a, now);
        return;
    }
    if (a == Answer::Can && phase_ == Phase::Measuring) {
        Event("cancelled status=1 while=measuring");
        AfterTest(now, false);
    }
}

void Simulator::AutoAnswered(Answer a, double now) {
    switch (phase_) {
    case Phase::Identity:
        if (a == Answer::Nak)
            phase_ = Phase::WaitEnq; // gave up: wait for the next ENQ
        else
            GoOnline(now);
        break;
    case Phase::Offer:
        if (a == Answer::Ack) {
            phase_ = Phase::Measuring;
            Schedule(Job::Results, now + cfg_.resultAfterMs);
        } else if (cfg_.demo) {
            phase_ = Phase::Online;
            Schedule(Job::Offer, now + cfg_.demoIntervalMs);
        } else {
            AfterTest(now, false);
        }
        break;
    case Phase::Results:
        AfterTest(now, a == Answer::Ack);
        break;
    case Phase::SigningOff:
        Event("signed-off");
        phase_ = Phase::WaitEnq;
        if (cfg_.exitAfterTests > 0 && tests_ >= cfg_.exitAfterTests)
            Exit(0, "tests");
        break;
    default:
        break;
    }
}

void Simulator::GoOnline(double now) {
    phase_ = Phase::Online;
    if (cfg_.demo) {
        Schedule(Job::Offer,
                 now + (cfg_.measureAfterMs >= 0 ? cfg_.measureAfterMs : cfg_.demoIntervalMs));
    } else if (cfg_.measureAfterMs >= 0 && !offeredSinceIdentity_) {
        Schedule(Job::Offer, now + cfg_.measureAfterMs);
    } else if (cfg_.signoffAfterMs >= 0) {
        Schedule(Job::SignOff, now + cfg_.signoffAfterMs);
    }
}

void Simulator::AfterTest(double now, bool completed) {
    phase_ = Phase::Online;
    job_ = Job::None;
    const bool done = cfg_.exitAfterTests > 0 && tests_ >= cfg_.exitAfterTests;
    if (cfg_.signoffAfterMs >= 0) {
        Schedule(Job::SignOff, now + cfg_.signoffAfterMs);
    } else if (done) {
        Exit(0, "tests");
    } else if (cfg_.demo) {
        Schedule(Job::Offer, now + cfg_.demoIntervalMs);
    } else if (completed && cfg_.exitAfterTests > 0 && cfg_.measureAfterMs >= 0) {
        // More tests are wanted: the next one follows as the first did.
        Schedule(Job::Offer, now + cfg_.measureAfterMs);
    }
}

void Simulator::Schedule(Job job, double at) {
    job_ = job;
    jobAt_ = at;
}

void Simulator::RunJob(double now) {
    const Job job = job_;
    job_ = Job::None;
    switch (job) {
    case Job::Offer:
        phase_ = Phase::Offer;
        offeredSinceIdentity_ = true;
        Transmit('1', cfg_.results, false, now);
        break;
    case Job::Results:
        phase_ = Phase::Results;
        Transmit('2', cfg_.results, false, now);
        break;
    case Job::SignOff:
        phase_ = Phase::SigningOff;
        Transmit('3', cfg_.results, true, now);
        break;
    case Job::None:
        break;
    }
}

// ---- scenario run ------------------------------------------------------------

void Simulator::CheckExpect(Answer got, int line) {
    const Step& st = (*cfg_.scenario)[step_];
    if (got == st.expect) {
        Event(std::string("expect ok want=") + AnswerName(st.expect) +
              " line=" + std::to_string(line));
    } else {
        ++failures_;
        Event(std::string("expect-fail want=") + AnswerName(st.expect) + " got=" + AnswerName(got) +
              " line=" + std::to_string(line));
    }
}

void Simulator::ScenarioByte(Answer a, double now) {
    if (step_ >= cfg_.scenario->size())
        return;
    const Step& st = (*cfg_.scenario)[step_];
    if (await_.active) {
        // The program's search keeps polling; that is no answer to our frame.
        if (a != Answer::Enq)
            FinishAwaiting(a, now);
        return;
    }
    if (waitingEnq_ && a == Answer::Enq) {
        waitingEnq_ = false;
        stepDeadline_.reset();
        Transmit('0', cfg_.results, true, now);
        return;
    }
    if (expecting_) {
        expecting_ = false;
        stepDeadline_.reset();
        CheckExpect(a, st.line);
        ++step_;
        RunSteps(now);
    }
}

void Simulator::ScenarioTime(double now) {
    if (!stepDeadline_ || now < *stepDeadline_)
        return;
    stepDeadline_.reset();
    const Step& st = (*cfg_.scenario)[step_];
    if (waitingEnq_) {
        waitingEnq_ = false;
        ++failures_;
        Event("expect-fail want=ENQ got=NONE line=" + std::to_string(st.line));
    } else if (expecting_) {
        expecting_ = false;
        CheckExpect(Answer::None, st.line);
    }
    ++step_;
    RunSteps(now);
}

void Simulator::RunSteps(double now) {
    const std::vector<Step>& steps = *cfg_.scenario;
    while (!finished_ && step_ < steps.size()) {
        const Step& st = steps[step_];
        switch (st.kind) {
        case StepKind::Wait:
            stepDeadline_ = now + st.ms;
            return;
        case StepKind::WaitEnq:
            waitingEnq_ = true;
            if (st.ms >= 0)
                stepDeadline_ = now + st.ms;
            return;
        case StepKind::Send: {
            Results res = cfg_.results;
            std::string ignored;
            for (const auto& [k, v] : st.values)
                ApplyResultValue(res, k, v, ignored);
            Transmit(st.status, res, st.status == '0' || st.status == '3', now);
            return; // goes on when the answer is in (FinishAwaiting)
        }
        case StepKind::SendRaw: {
            Effect e;
            e.kind = Effect::Kind::Send;
            e.chunks.push_back({st.raw, 0});
            Event("tx-raw len=" + std::to_string(st.raw.size()));
            effects_.push_back(std::move(e));
            break;
        }
        case StepKind::Expect:
            if (lastAnswer_) {
                CheckExpect(*lastAnswer_, st.line);
                lastAnswer_.reset();
                break;
            }
            expecting_ = true;
            stepDeadline_ = now + (st.ms >= 0 ? st.ms : cfg_.answerTimeoutMs);
            return;
        case StepKind::Fault:
            fault_ = st.fault;
            faultsLeft_ = st.fault == Fault::None ? 0 : st.count;
            Event(std::string("fault kind=") + FaultName(st.fault) +
                  " count=" + std::to_string(st.count));
            break;
        case StepKind::Disconnect: {
            Event("hangup");
            Effect h;
            h.kind = Effect::Kind::HangUp;
            effects_.push_back(h);
            break;
        }
        }
        ++step_;
    }
    if (!finished_ && step_ >= steps.size())
        Exit(failures_ > 0 ? 1 : 0, failures_ > 0 ? "expect-failed" : "scenario-done");
}

} // namespace heliotab::farsim
