#include "platform/layers/MovieLayer.h"

namespace platform {

std::shared_ptr<MovieLayer> MovieLayer::create(std::shared_ptr<Movie> movie)
{
    auto layer = std::make_shared<MovieLayer>();
    layer->setMovie(std::move(movie));
    return layer;
}

MovieLayer::MovieLayer(const MovieLayer &model, PresentationCopy tag)
    : Layer(model, tag)
    , m_movie(model.m_movie)
{
}

MovieLayer::~MovieLayer()
{
    if (m_movie && !isPresentation())
        m_movie->setFrameHandler(nullptr);
}

LayerPtr MovieLayer::makePresentationCopy() const
{
    return LayerPtr(new MovieLayer(*this, PresentationCopy{}));
}

void MovieLayer::setMovie(std::shared_ptr<Movie> movie)
{
    if (movie == m_movie)
        return;
    if (m_movie)
        m_movie->setFrameHandler(nullptr);
    m_movie = std::move(movie);
    if (!m_movie)
        return;
    m_movie->setFrameHandler([this] { showFrame(); });
    showFrame();
}

void MovieLayer::showFrame()
{
    if (m_movie)
        setContents(m_movie->currentFrame());
}

} // namespace platform
