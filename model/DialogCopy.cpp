#include "model/DialogCopy.h"

#include <algorithm>

DialogCopy::DialogCopy(RingModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_block(std::make_unique<ProjectBlock>(model.project()))
{
    connect(&m_model, &RingModel::currentRingReplaced, this, [this] {
        take();
        emit retaken();
    });
}

void DialogCopy::take()
{
    *m_block = m_model.project();
}

void DialogCopy::store(std::size_t offset, std::size_t size)
{
    if (offset >= m_block->size())
        return;
    size = std::min(size, m_block->size() - offset);
    std::copy_n(m_block->begin() + offset, size, m_model.project().begin() + offset);
    m_model.applyEdit(m_stepName);
}
