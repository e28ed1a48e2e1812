target_sources(ceplatform PRIVATE)
