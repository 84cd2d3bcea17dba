#pragma once
// A layer that shows the pictures of a movie as its contents, each new picture as
// the movie reports it (changes of the contents follow the layer's actions like any
// other). The layer keeps the movie alive; the movie's frame handler is the layer's
// while it shows it and is cleared when the layer lets it go. Ownership and
// threading as Layer.
#include "platform/layers/Layer.h"
#include "platform/layers/Movie.h"

namespace platform {

class MovieLayer : public Layer
{
public:
    static std::shared_ptr<MovieLayer> create(std::shared_ptr<Movie> movie = nullptr);
    MovieLayer() = default;
    ~MovieLayer() override;

    std::shared_ptr<Movie> movie() const { return m_movie; }
    void setMovie(std::shared_ptr<Movie> movie);

protected:
    MovieLayer(const MovieLayer &model, PresentationCopy tag);
    LayerPtr makePresentationCopy() const override;

private:
    void showFrame();

    std::shared_ptr<Movie> m_movie;
};

} // namespace platform
